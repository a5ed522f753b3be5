#pragma once

#include "session/console_store.h"
#include "ui/qt_text.h"
#include "widgets/console_view.h"

namespace zar {

// The console store of the run layer as the console view reads it.
class ConsoleStoreText final : public ConsoleText {
 public:
  explicit ConsoleStoreText(const ConsoleStore& store) : store_(store) {}

  std::uint64_t Begin() const override { return store_.Begin(); }
  std::uint64_t End() const override { return store_.End(); }
  QString Range(std::uint64_t from, std::uint64_t to) const override { return FromCp1252(store_.Range(from, to)); }
  std::uint64_t Clears() const override { return store_.Clears(); }
  bool Dropped() const override { return store_.Dropped(); }

 private:
  const ConsoleStore& store_;
};

}  // namespace zar
