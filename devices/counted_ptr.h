#pragma once

#include <cstdint>
#include <utility>

namespace zar {

// Shared ownership of a node whose count of owners lives in the node itself
// (a member `owners`) and is a plain integer, not an atomic one: for
// structures that are made, shared and dropped on one thread only. Copying
// one adds an owner; the last owner to go deletes the node.
template <typename Node>
class CountedPtr {
 public:
  CountedPtr() = default;
  // Takes a node that has no owner yet.
  explicit CountedPtr(Node* node) : node_(node) { ++node_->owners; }
  CountedPtr(const CountedPtr& other) : node_(other.node_) {
    if (node_) ++node_->owners;
  }
  CountedPtr(CountedPtr&& other) noexcept : node_(std::exchange(other.node_, nullptr)) {}
  CountedPtr& operator=(CountedPtr other) noexcept {
    std::swap(node_, other.node_);
    return *this;
  }
  ~CountedPtr() {
    if (node_ && --node_->owners == 0) delete node_;
  }

  Node* get() const { return node_; }
  Node& operator*() const { return *node_; }
  Node* operator->() const { return node_; }
  explicit operator bool() const { return node_ != nullptr; }
  friend bool operator==(const CountedPtr& a, const CountedPtr& b) { return a.node_ == b.node_; }

 private:
  Node* node_ = nullptr;
};

}  // namespace zar
