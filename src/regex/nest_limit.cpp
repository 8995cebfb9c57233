#include "regex/nest_limit.h"

#include <optional>
#include <utility>

#include "regex/walk.h"

namespace kelp::regex {
namespace {

// Counts the depth of nested groups, repetitions, concatenations,
// alternations, classes, unions and set operations, as the dialect does.
class NestLimiter {
 public:
  explicit NestLimiter(const Ast& ast) : ast_(ast) {}
  std::optional<SyntaxError> error;

  bool pre(uint32_t id) {
    switch (ast_.node(id).kind) {
      case NodeKind::ClassBracketed:
      case NodeKind::Repetition:
      case NodeKind::Group:
      case NodeKind::Alternation:
      case NodeKind::Concat:
        return increment(id);
      default:
        return true;
    }
  }
  bool post(uint32_t id) {
    switch (ast_.node(id).kind) {
      case NodeKind::ClassBracketed:
      case NodeKind::Repetition:
      case NodeKind::Group:
      case NodeKind::Alternation:
      case NodeKind::Concat:
        --depth_;
        break;
      default:
        break;
    }
    return true;
  }
  bool alternation_in() { return true; }
  bool item_pre(uint32_t id) {
    const NodeKind k = ast_.node(id).kind;
    if (k == NodeKind::ItemBracketed || k == NodeKind::ItemUnion) {
      return increment(id);
    }
    return true;
  }
  bool item_post(uint32_t id) {
    const NodeKind k = ast_.node(id).kind;
    if (k == NodeKind::ItemBracketed || k == NodeKind::ItemUnion) --depth_;
    return true;
  }
  bool op_pre(uint32_t id) { return increment(id); }
  bool op_in(uint32_t) { return true; }
  bool op_post(uint32_t) {
    --depth_;
    return true;
  }

 private:
  bool increment(uint32_t id) {
    if (depth_ + 1 > kNestLimit) {
      error = SyntaxError{ErrorKind::NestLimitExceeded, ast_.node(id).span,
                          std::nullopt};
      return false;
    }
    ++depth_;
    return true;
  }

  const Ast& ast_;
  uint32_t depth_ = 0;
};

}  // namespace

Expected<Ast, SyntaxError> within_nest_limit(Ast ast) {
  NestLimiter limiter(ast);
  if (!walk(ast, limiter)) return unexpected(*limiter.error);
  return ast;
}

}  // namespace kelp::regex
