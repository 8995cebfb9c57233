// A depth-first walk over an Ast with an explicit stack, calling the
// visitor in the order the dialect's own tree visitor does: pre-order and
// post-order hooks for expressions, class items and set operators, and a hook
// between the branches of an alternation and between the sides of a set
// operator. Any hook returning false stops the walk.
#pragma once

#include <cstdint>
#include <vector>

#include "regex/ast.h"

namespace kelp::regex {

// Visitor interface (duck-typed):
//   bool pre(uint32_t), post(uint32_t), alternation_in()
//   bool item_pre(uint32_t), item_post(uint32_t)
//   bool op_pre(uint32_t), op_in(uint32_t), op_post(uint32_t)
template <class Visitor>
bool walk(const Ast& ast, Visitor& v) {
  enum class Role : uint8_t { Expr, Item, Op };
  struct Frame {
    uint32_t id;
    uint32_t next;
    Role role;
  };
  std::vector<Frame> stack;

  auto enter_set = [&](uint32_t id) {
    if (ast.node(id).kind == NodeKind::SetBinaryOp) {
      if (!v.op_pre(id)) return false;
      stack.push_back({id, 0, Role::Op});
    } else {
      if (!v.item_pre(id)) return false;
      stack.push_back({id, 0, Role::Item});
    }
    return true;
  };

  if (!v.pre(ast.root)) return false;
  stack.push_back({ast.root, 0, Role::Expr});
  while (!stack.empty()) {
    Frame& f = stack.back();
    const Node& n = ast.node(f.id);
    const uint32_t id = f.id;
    if (f.next < n.child_count) {
      const uint32_t child = ast.child(id, f.next);
      const uint32_t index = f.next++;
      if (f.role == Role::Expr) {
        if (n.kind == NodeKind::ClassBracketed) {
          if (!enter_set(child)) return false;
        } else {
          if (n.kind == NodeKind::Alternation && index > 0 &&
              !v.alternation_in()) {
            return false;
          }
          if (!v.pre(child)) return false;
          stack.push_back({child, 0, Role::Expr});
        }
      } else if (f.role == Role::Item) {
        // Ranges keep their two end literals as children; they are part of
        // the item, not items of their own.
        if (n.kind == NodeKind::ItemRange) {
          f.next = n.child_count;
          continue;
        }
        if (!enter_set(child)) return false;
      } else {
        if (index == 1 && !v.op_in(id)) return false;
        if (!enter_set(child)) return false;
      }
      continue;
    }
    const Role role = f.role;
    stack.pop_back();
    bool ok = role == Role::Expr   ? v.post(id)
              : role == Role::Item ? v.item_post(id)
                                   : v.op_post(id);
    if (!ok) return false;
  }
  return true;
}

}  // namespace kelp::regex
