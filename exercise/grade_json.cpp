#include "exercise/grade_json.h"

#include <cmath>
#include <cstdint>

namespace zar {

GradeJson PointsJson(double points) {
  if (points == std::floor(points) && std::fabs(points) < 9e15) return static_cast<std::int64_t>(points);
  return points;
}

GradeJson CaseJson(const Exercise& exercise, std::size_t i, const CaseResult& result) {
  const ExerciseCase& c = exercise.cases[i];
  GradeJson json = {{"case", i + 1},
                    {"name", c.name},
                    {"passed", result.passed},
                    {"failure", result.failure},
                    {"steps", result.steps},
                    {"outOfSteps", result.outOfSteps},
                    {"timedOut", result.timedOut}};
  if (exercise.givesPoints) json["points"] = PointsJson(result.passed ? c.points : 0);
  return json;
}

GradeJson SubmissionGradeJson(const Exercise& exercise, const Grade& grade, bool assembled) {
  GradeJson cases = GradeJson::array();
  for (std::size_t i = 0; i < grade.cases.size(); ++i) cases.push_back(CaseJson(exercise, i, grade.cases[i]));
  return {{"assembled", assembled},
          {"passed", assembled && grade.AllPassed()},
          {"casesPassed", grade.passed},
          {"points", PointsJson(grade.points)},
          {"pointsPossible", PointsJson(exercise.PointsPossible())},
          {"cases", cases}};
}

}  // namespace zar
