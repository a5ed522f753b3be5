#pragma once

// A grade in JSON, as `zar check --json` reports it and the page shows it.

#include <cstddef>
#include <nlohmann/json.hpp>

#include "exercise/exercise.h"

namespace zar {

// Members in the order written.
using GradeJson = nlohmann::ordered_json;

// Points: whole points as an integer.
GradeJson PointsJson(double points);
// Case i of the exercise and how it went: its number (from 1), name, pass,
// failure, steps, whether it ran out of steps or time, and its points where
// the exercise gives points.
GradeJson CaseJson(const Exercise& exercise, std::size_t i, const CaseResult& result);
// A submission's grade: whether it assembled and passed, the cases passed,
// the points and the points possible, and every case.
GradeJson SubmissionGradeJson(const Exercise& exercise, const Grade& grade, bool assembled);

}  // namespace zar
