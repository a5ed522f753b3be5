#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <tuple>
#include <vector>

#include "devices/network_device.h"
#include "devices/screen_device.h"
#include "devices/screen_snapshot.h"
#include "devices/sum_history.h"

namespace zar {
namespace {

using Pixels = std::set<std::pair<int, int>>;

Pixels LinePixels(int x0, int y0, int x1, int y1) {
  ScreenBuffer buffer;
  DrawLine(buffer, x0, x1, y0, y1, 1);
  Pixels set;
  for (int i = 0; i < ScreenSize * ScreenSize; ++i) {
    if (buffer.Rows()[i] == 1) set.insert({i % ScreenSize, i / ScreenSize});
  }
  return set;
}

TEST(DrawLine, SetsTheSamePixelsFromEitherEndIncludingBoth) {
  // No pixels: only the symmetry is checked; 0,0 to 2,1 has an error of exactly one half.
  // clang-format off
  const std::tuple<int, int, int, int, Pixels> lines[] = {
      {0, 0, 3, 1, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}}, {5, 0, 5, 4, {{5, 0}, {5, 1}, {5, 2}, {5, 3}, {5, 4}}},
      {0, 0, 4, 4, {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}}}, {0, 3, 1, 0, {{1, 0}, {1, 1}, {0, 2}, {0, 3}}},
      {0, 0, 2, 1, {{0, 0}, {1, 1}, {2, 1}}}, {9, 9, 9, 9, {{9, 9}}},
      {10, 200, 255, 0, {}}, {7, 3, 2, 250, {}}, {0, 255, 255, 0, {}}, {40, 40, 41, 90, {}}};
  // clang-format on
  for (const auto& [x0, y0, x1, y1, pixels] : lines) {
    SCOPED_TRACE(testing::Message() << x0 << "," << y0 << " to " << x1 << "," << y1);
    const Pixels forward = LinePixels(x0, y0, x1, y1);
    EXPECT_EQ(forward, pixels.empty() ? forward : pixels);
    EXPECT_EQ(forward, LinePixels(x1, y1, x0, y0));
    EXPECT_TRUE(forward.count({x0, y0}) && forward.count({x1, y1}));
  }
}

TEST(CheckScreen, RunsTheCommandsInTurnOnOneDevice) {
  // Cells 246..253 (X1, Y1, X, Y, R, G, B, command), then a pixel and the colour in cells 250..252 afterwards;
  // a clear goes to the set colour but leaves the colour black, a plot is not in the set colour, a line goes
  // from (X, Y) to (X1, Y1).
  const std::tuple<std::array<int, 8>, int, int, ColorValue, ColorValue> script[] = {
      {{0, 0, 10, 20, 255, 0, 0, ScreenPlot}, 10, 20, RGB(255, 0, 0), RGB(255, 0, 0)},
      {{0, 0, 1, 1, 1, 2, 3, ScreenPlot}, 1, 1, RGB(1, 2, 3), RGB(1, 2, 3)},
      {{0, 0, 1, 1, 9, 9, 9, ScreenRead}, 1, 1, RGB(1, 2, 3), RGB(1, 2, 3)},
      {{0, 0, 2, 2, 9, 9, 9, ScreenRead}, 2, 2, 0, 0},
      {{0, 0, 0, 0, 50, 50, 50, ScreenClear}, 10, 20, 0, RGB(50, 50, 50)},
      {{0, 0, 0, 0, 0, 0, 255, ScreenSetColor}, 0, 0, 0, RGB(0, 0, 255)},
      {{0, 0, 0, 0, 0, 0, 0, ScreenClear}, 255, 255, RGB(0, 0, 255), 0},
      {{0, 0, 100, 100, 9, 9, 9, ScreenRead}, 100, 100, RGB(0, 0, 255), RGB(0, 0, 255)},
      {{0, 0, 4, 4, 0, 255, 0, ScreenPlot}, 4, 4, RGB(0, 255, 0), RGB(0, 255, 0)},
      {{30, 40, 30, 40, 0, 0, 200, ScreenLine}, 30, 40, RGB(0, 0, 200), RGB(0, 0, 200)},
      {{3, 1, 0, 0, 7, 7, 7, ScreenLine}, 2, 1, RGB(7, 7, 7), RGB(7, 7, 7)},
      {{0, 0, 1, 1, 255, 255, 255, 7}, 1, 1, RGB(0, 0, 255), RGB(255, 255, 255)},
      {{0, 0, 1, 1, 255, 255, 255, 0}, 1, 1, RGB(0, 0, 255), RGB(255, 255, 255)},
  };
  MemoryCells memory{};
  ScreenDevice screen;
  for (const auto& [cells, x, y, pixel, colour] : script) {
    SCOPED_TRACE(testing::Message() << "command " << cells[7] << " at " << cells[2] << "," << cells[3]);
    for (int i = 0; i < 8; ++i) memory[246 + i] = static_cast<Byte>(cells[i]);
    EXPECT_EQ(CheckScreen(memory, screen), cells[7] != 0);
    EXPECT_EQ(
        std::tuple(int{memory[ScreenCommandCell]}, screen.Buffer(x, y), RGB(memory[250], memory[251], memory[252])),
        std::tuple(0, pixel, colour));
  }
  EXPECT_EQ(screen.Buffer.Rows()[200 * ScreenSize + 9], RGB(0, 0, 255));  // the clear reached every row
}

// Records the socket operations, each followed by ';', and fails each of them when told to.
struct RecordingPort : NetworkPort {
  void Close() override { Record("close"); }
  NetResult Connect(const std::string& host, int port) override {
    return Record("connect " + host + ":" + std::to_string(port));
  }
  NetResult Listen(int port) override { return Record("listen " + std::to_string(port)); }
  NetResult SendByte(Byte value) override { return Record("send " + std::to_string(value)); }
  NetResult Record(const std::string& call) {
    calls += call + ';';
    return failing ? NetResult::Failed : NetResult::Done;
  }
  std::string calls;
  bool failing = false;
};

TEST(CheckNetwork, DecodesTheCellsIntoPortOperationsAndClearsTheCommand) {
  using enum NetCommandResult;
  // Cells 238..244 (address, port high and low, data) and 245, whether the port fails, then its calls, cell 244 and
  // the outcome.
  const std::tuple<std::array<int, 8>, bool, const char*, int, NetCommandResult> cases[] = {
      {{127, 0, 0, 1, 1, 44, 5, NetConnect}, false, "close;connect 127.0.0.1:300;", 5, Reached},
      {{10, 0, 0, 7, 0, 80, 5, NetConnect}, true, "close;connect 10.0.0.7:80;", 5, Ignored},
      {{1, 2, 3, 4, 0, 23, 5, NetListen}, false, "close;listen 23;", 5, Reached},
      {{0, 0, 0, 0, 255, 255, 5, NetListen}, true, "close;listen 65535;", 5, Ignored},
      {{0, 0, 0, 0, 0, 0, 65, NetSend}, false, "send 65;", 0, Reached},
      {{0, 0, 0, 0, 0, 0, 0, NetSend}, false, "send 0;", 0, Reached},
      {{0, 0, 0, 0, 0, 0, 66, NetSend}, true, "send 66;", 0, Ignored},
      {{1, 1, 1, 1, 1, 1, 1, 4}, false, "", 1, Ignored},
      {{1, 1, 1, 1, 1, 1, 1, 255}, false, "", 1, Ignored},
      {{1, 1, 1, 1, 1, 1, 1, 0}, false, "", 1, None},
  };
  for (const auto& [cells, failing, calls, data, result] : cases) {
    SCOPED_TRACE(testing::Message() << "command " << cells[7] << (failing ? " failing" : ""));
    MemoryCells memory{};
    for (int i = 0; i < 8; ++i) memory[NetDeviceFirst + i] = static_cast<Byte>(cells[i]);
    RecordingPort port;
    port.failing = failing;
    EXPECT_EQ(CheckNetwork(memory, port), result);
    EXPECT_EQ(std::tuple(port.calls, int{memory[NetDataCell]}, int{memory[NetCommandCell]}),
              std::tuple(std::string(calls), data, 0));
  }
}

TEST(SumHistory, KeepsTheLast513SumsAndTheirFigures) {
  SumHistory history;
  history.Record(1000);  // rises from the initial zeros
  const HistoryStats stats = history.Stats();
  EXPECT_EQ(HistoryLabelText(stats), "Current: 1000 MAX:1000 MIN:0 DIFF:1000");
  EXPECT_EQ(std::vector<double>({PlotY(0, stats), PlotY(500, stats), PlotY(1000, stats)}),
            std::vector<double>({512, 256, 0}));
  for (int i = 2; i <= 600; ++i) history.Record(1000 + i);
  EXPECT_EQ(std::vector<int>({history.Samples()[0], history.Samples()[512]}), std::vector<int>({1088, 1600}));
  EXPECT_EQ(HistoryLabelText(history.Stats()), "Current: 1600 MAX:1600 MIN:1088 DIFF:512");  // the zeros have left
  for (int i = 0; i < SumHistory::Size; ++i) history.Record(7);
  EXPECT_EQ(HistoryLabelText(history.Stats()), "Current: 7 MAX:7 MIN:7 DIFF:0");
  EXPECT_EQ(PlotY(7, history.Stats()), 512);              // a flat history lies at the bottom
  EXPECT_EQ(MemorySum(MemoryCells{200, 100, 255}), 555);  // cells add as unsigned bytes, without wrapping
}

// A chain of copies, each taken after one edit of the store: the rows it
// shares with the one before, the memory beyond it, and every copy put
// back after the older ones were dropped.
TEST(ScreenSnapshot, SharesTheRowsThatDidNotChangeAndRestoresAfterOlderCopiesWent) {
  using Edit = void (*)(ScreenBuffer&);
  constexpr std::size_t Row = sizeof(ScreenSnapshot::Row);
  // clang-format off
  const std::tuple<Edit, int, std::size_t, std::size_t> edits[] = {
    {[](ScreenBuffer&) {}, 256, 0, 0},                                  // nothing written
    {[](ScreenBuffer& s) { s(5, 3) = 7; }, 255, Row, 2 * Row},          // one pixel
    {[](ScreenBuffer& s) { s(5, 3) = 0; s(5, 3) = 7; }, 256, 0, 0},    // written back as it was
    {[](ScreenBuffer& s) { s(0, 40) = 1; s(9, 200) = 2; }, 254, 2 * Row, 4 * Row},  // two groups
    {[](ScreenBuffer& s) { DrawLine(s, 0, 255, 17, 17, 9); }, 255, Row, 2 * Row},
    {[](ScreenBuffer& s) { s(7, 31) = 5; s(7, 32) = 5; }, 254, Row, 2 * Row},  // equal rows, one copy
    {[](ScreenBuffer& s) { s.FillAll(RGB(1, 2, 3)); }, 0, Row, 4 * Row},       // all rows one copy
    {[](ScreenBuffer& s) { s.FillAll(RGB(1, 2, 3)); }, 256, 0, 0},    // the same clear again
    {[](ScreenBuffer& s) { s.WriteRow(255)[255] = 4; }, 255, Row, 2 * Row},
  };
  // clang-format on
  ScreenBuffer store;
  std::vector<ScreenSnapshot> copies{ScreenSnapshot::Take(store, nullptr)};
  std::vector<std::vector<ColorValue>> pictures{{store.Rows(), store.Rows() + ScreenSize * ScreenSize}};
  EXPECT_LT(copies[0].BytesBeyond(nullptr), 4 * Row);  // a black screen is one row
  for (const auto& [edit, shared, least, most] : edits) {
    edit(store);
    copies.push_back(ScreenSnapshot::Take(store, &copies.back()));
    pictures.emplace_back(store.Rows(), store.Rows() + ScreenSize * ScreenSize);
    const ScreenSnapshot& before = copies[copies.size() - 2];
    EXPECT_EQ(copies.back().RowsSharedWith(before), shared) << copies.size();
    const std::size_t bytes = copies.back().BytesBeyond(&before);
    EXPECT_TRUE(bytes >= least && bytes <= most) << copies.size() << ": " << bytes;
    EXPECT_FALSE(store.AnyRowWritten());
  }
  for (std::size_t k = 0; k < copies.size(); ++k) {
    copies.erase(copies.begin());  // the oldest goes first, as in the record
    for (std::size_t i = 0; i < copies.size(); ++i) {
      copies[i].RestoreInto(store);
      EXPECT_TRUE(std::equal(pictures[k + 1 + i].begin(), pictures[k + 1 + i].end(), store.Rows())) << k << " " << i;
    }
  }
}

}  // namespace
}  // namespace zar
