#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "exercise/exercise.h"
#include "formats/screen_picture.h"
#include "formats/text_file.h"

namespace {

std::string Read(const std::filesystem::path& path) {
  std::string text;
  EXPECT_FALSE(zar::ReadWholeFile(path, 1 << 22, text).Failed()) << path;
  return text;
}

// An exercise read for a host without files names its pictures and starter
// without reading them; the pictures handed in as pixels check as the files
// would. The starter of exercise 1 and the picture of exercise 11 are the
// shipped ones.
TEST(ExerciseFilesNamed, PicturesHandedInAsPixelsCheckAsTheFiles) {
  const std::filesystem::path folder = ZAR_EXERCISES_DIR;
  zar::Exercise named, read;
  std::string error;
  ASSERT_TRUE(
      zar::ReadExercise(Read(folder / "01_print_a_character.json"), "", named, error, zar::ExerciseFiles::Named))
      << error;
  EXPECT_EQ(named.starter, "01_starter.OIA");
  EXPECT_TRUE(zar::MissingScreens(named).empty());

  const std::string square = Read(folder / "11_square_outline.json");
  ASSERT_TRUE(zar::ReadExercise(square, "", named, error, zar::ExerciseFiles::Named)) << error;
  ASSERT_TRUE(zar::LoadExercise(folder / "11_square_outline.json", read, error)) << error;
  EXPECT_EQ(zar::MissingScreens(named), std::vector<std::string>{"11_square_outline.png"});
  std::vector<zar::ColorValue> pixels;
  ASSERT_TRUE(zar::ReadScreenPicture(Read(folder / "11_square_outline.png"), pixels, error)) << error;
  EXPECT_EQ(zar::GradeProgram(named, {}).cases[0].failure, "the picture 11_square_outline.png expected was not given");
  EXPECT_FALSE(zar::SupplyScreen(named, "other.png", pixels));
  EXPECT_FALSE(zar::SupplyScreen(named, "11_square_outline.png", std::vector<zar::ColorValue>(10)));
  EXPECT_TRUE(zar::MissingScreens(named).size() == 1);
  EXPECT_TRUE(zar::SupplyScreen(named, "11_square_outline.png", pixels));
  EXPECT_TRUE(zar::MissingScreens(named).empty());
  EXPECT_FALSE(zar::SupplyScreen(named, "11_square_outline.png", pixels));  // given once
  EXPECT_EQ(named.cases[0].screen, read.cases[0].screen);
  EXPECT_EQ(named.cases[0].screenName, read.cases[0].screenName);

  // A program that draws nothing fails alike either way.
  zar::MemoryCells image{};
  const zar::Grade fromPixels = zar::GradeProgram(named, image), fromFile = zar::GradeProgram(read, image);
  ASSERT_EQ(fromPixels.cases.size(), 1u);
  EXPECT_EQ(fromPixels.cases[0].failure, fromFile.cases[0].failure);
  EXPECT_FALSE(fromPixels.cases[0].passed);

  // Files that are not there are named all the same (reading them refuses them: zar check's tests).
  const std::string missing = R"({"title": "t", "task": "x", "starter": "none.OIA",
    "cases": [{"name": "a", "steps": 1, "expect": {"screen": "none.png"}}]})";
  ASSERT_TRUE(zar::ReadExercise(missing, folder, named, error, zar::ExerciseFiles::Named)) << error;
  EXPECT_EQ(zar::MissingScreens(named), std::vector<std::string>{"none.png"});
}

}  // namespace
