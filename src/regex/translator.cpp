#include "regex/translator.h"

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "regex/class_accumulator.h"
#include "regex/unicode_props.h"
#include "regex/walk.h"

namespace kelp::regex {
namespace {

struct Mode {
  bool case_insensitive = false;
  bool multi_line = false;
  bool dot_matches_new_line = false;
  bool swap_greed = false;
  bool unicode = true;
  bool crlf = false;

  void apply(const std::vector<FlagItem>& items) {
    bool enable = true;
    for (const FlagItem& item : items) {
      switch (item.flag) {
        case 0: enable = false; break;
        case 'i': case_insensitive = enable; break;
        case 'm': multi_line = enable; break;
        case 's': dot_matches_new_line = enable; break;
        case 'U': swap_greed = enable; break;
        case 'u': unicode = enable; break;
        case 'R': crlf = enable; break;
        default: break;  // x only matters to the parser
      }
    }
  }
};

struct Frame {
  // Members are set as the frame is used; nothing is cleared up front.
  Frame() {}

  enum class Kind : uint8_t {
    Repetition,
    Group,
    Concat,
    Alternation,
    UnicodeClass,
    ByteClass,
  };
  Kind kind = Kind::Concat;
  Mode old_mode;              // Group: the flags outside it
  std::optional<Expr> child;  // Repetition, Group: the operand
  std::optional<ConcatBuilder> concat;
  std::vector<Expr> branches;
  std::optional<UnicodeAccumulator> unicode_class;
  ByteSet byte_class;
};

class Translator {
 public:
  Translator(const Ast& ast, const StartFlags& flags, Session& session)
      : ast_(ast), s_(session) {
    mode_.case_insensitive = flags.case_insensitive;
    mode_.multi_line = flags.multi_line;
    mode_.dot_matches_new_line = flags.dot_matches_new_line;
    frames_.reserve(16);  // most patterns nest less deeply
  }

  std::optional<SyntaxError> error;
  std::optional<Expr> result;

  bool pre(uint32_t id);
  bool post(uint32_t id);
  bool alternation_in() { return true; }
  bool item_pre(uint32_t id);
  bool item_post(uint32_t id);
  bool op_pre(uint32_t) {
    push_class_frame();
    return true;
  }
  bool op_in(uint32_t) {
    push_class_frame();
    return true;
  }
  bool op_post(uint32_t id);

 private:
  bool fail(const Span& span, ErrorKind kind) {
    error = SyntaxError{kind, span, std::nullopt};
    return false;
  }
  const Node& node(uint32_t id) const { return ast_.node(id); }

  void push(Frame::Kind kind) {
    frames_.emplace_back();
    Frame& f = frames_.back();
    f.kind = kind;
    if (kind == Frame::Kind::Concat) f.concat.emplace();
    if (kind == Frame::Kind::UnicodeClass) f.unicode_class.emplace();
  }
  void push_class_frame() {
    push(mode_.unicode ? Frame::Kind::UnicodeClass : Frame::Kind::ByteClass);
  }
  // Frames are read in place and then dropped, rather than moved out.
  Frame& top() { return frames_.back(); }
  void drop() { frames_.pop_back(); }

  void deliver(Expr&& e);
  void deliver_char(uint32_t cp);

  ClassValue fold_and_negate(ClassValue v, bool negated);
  bool byte_fold_and_negate(ByteSet& set, bool negated, const Span& span);
  bool unicode_class(uint32_t id, ClassValue& out);
  bool class_literal_byte(uint32_t literal_id, uint8_t& out);
  bool literal(uint32_t id);
  ClassValue ascii_set(AsciiKind kind);
  ByteSet ascii_bytes(AsciiKind kind) const;
  ByteSet perl_bytes(PerlKind kind) const;

  // Expressions that end where the walk leaves them.
  bool dot(const Node& n);
  bool perl_class(const Node& n);
  bool bracketed_class(const Node& n);
  void close_frame(const Node& n);

  // Class items, added to the innermost open class.
  void add_to_class(const ClassValue& v) { frames_.back().unicode_class->add(s_, v); }
  void add_to_class(const ByteSet& b) {
    frames_.back().byte_class = frames_.back().byte_class | b;
  }
  bool item_range(uint32_t lo, uint32_t hi);
  bool item_ascii(const Node& n);
  bool item_perl(const Node& n);
  bool item_bracketed(const Node& n);

  const Ast& ast_;
  Session& s_;
  Mode mode_;
  std::vector<Frame> frames_;
};

void Translator::deliver(Expr&& e) {
  if (frames_.empty()) {
    result = std::move(e);
    return;
  }
  Frame& top = frames_.back();
  switch (top.kind) {
    case Frame::Kind::Concat:
      top.concat->add(s_, std::move(e));
      break;
    case Frame::Kind::Alternation:
      top.branches.push_back(std::move(e));
      break;
    default:
      top.child = std::move(e);
      break;
  }
}

void Translator::deliver_char(uint32_t cp) {
  if (!frames_.empty() && frames_.back().kind == Frame::Kind::Concat) {
    frames_.back().concat->add_char(cp);
    return;
  }
  deliver(char_expr(cp));
}

// Case folding comes before negation, so that (?i)[^x] leaves out both
// cases of x.
ClassValue Translator::fold_and_negate(ClassValue v, bool negated) {
  if (mode_.case_insensitive) v = s_.fold(v);
  if (negated) v = s_.negate(v);
  return v;
}

bool Translator::byte_fold_and_negate(ByteSet& set, bool negated,
                                      const Span& span) {
  if (mode_.case_insensitive) set = set.case_folded();
  if (negated) set = ~set;
  if (!set.is_ascii()) return fail(span, ErrorKind::InvalidUtf8);
  return true;
}

bool Translator::unicode_class(uint32_t id, ClassValue& out) {
  const Node& n = node(id);
  if (!mode_.unicode) return fail(n.span, ErrorKind::UnicodeNotAllowed);
  const UnicodeClassSpec& spec = ast_.unicode_classes[n.aux];
  Expected<const SharedClass*, ErrorKind> found = unicode_class_set(spec);
  if (!found) return fail(n.span, found.error());
  // \P{name!=value} is \p{name=value}.
  const bool negated = n.negated != (spec.op == UnicodeClassOp::NotEqual);
  out = fold_and_negate(ClassValue::of(*found.value()), negated);
  return true;
}

// A literal inside a byte class: ASCII, or a \xNN byte, which may not be
// above 0x7F since the pattern must match valid UTF-8.
bool Translator::class_literal_byte(uint32_t literal_id, uint8_t& out) {
  const Node& n = node(literal_id);
  if (n.hex_byte() && n.c <= 0xFF) {
    if (n.c > 0x7F) return fail(n.span, ErrorKind::InvalidUtf8);
    out = static_cast<uint8_t>(n.c);
    return true;
  }
  if (n.c > 0x7F) return fail(n.span, ErrorKind::UnicodeNotAllowed);
  out = static_cast<uint8_t>(n.c);
  return true;
}

bool Translator::literal(uint32_t id) {
  const Node& n = node(id);
  const uint32_t c = n.c;
  if (!mode_.unicode && n.hex_byte() && c > 0x7F && c <= 0xFF) {
    return fail(n.span, ErrorKind::InvalidUtf8);
  }
  if (mode_.case_insensitive) {
    if (mode_.unicode) {
      if (has_simple_case_mapping(c)) {
        deliver(unicode_class_expr(s_.fold_char(c)));
        return true;
      }
    } else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
      ByteSet b;
      b.add(static_cast<uint8_t>(c), static_cast<uint8_t>(c));
      deliver(byte_class_expr(b.case_folded()));
      return true;
    }
  }
  deliver_char(c);
  return true;
}

ClassValue Translator::ascii_set(AsciiKind kind) {
  return ClassValue::of(ascii_class_shared(kind));
}

ByteSet Translator::ascii_bytes(AsciiKind kind) const {
  ByteSet b;
  const CodepointSet set = ascii_class_set(kind);
  for (const CodepointRange& r : set.ranges()) {
    b.add(static_cast<uint8_t>(r.lo), static_cast<uint8_t>(r.hi));
  }
  return b;
}

ByteSet Translator::perl_bytes(PerlKind kind) const {
  switch (kind) {
    case PerlKind::Digit: return ascii_bytes(AsciiKind::Digit);
    case PerlKind::Space: return ascii_bytes(AsciiKind::Space);
    case PerlKind::Word: return ascii_bytes(AsciiKind::Word);
  }
  return {};
}

bool Translator::pre(uint32_t id) {
  const Node& n = node(id);
  switch (n.kind) {
    case NodeKind::ClassBracketed:
      push_class_frame();
      break;
    case NodeKind::Repetition:
      push(Frame::Kind::Repetition);
      break;
    case NodeKind::Group: {
      const Mode old = mode_;
      if (static_cast<GroupKind>(n.sub) == GroupKind::NonCapturing) {
        mode_.apply(ast_.flag_sets[n.aux]);
      }
      push(Frame::Kind::Group);
      frames_.back().old_mode = old;
      break;
    }
    case NodeKind::Concat:
      push(Frame::Kind::Concat);
      break;
    case NodeKind::Alternation:
      push(Frame::Kind::Alternation);
      break;
    default:
      break;
  }
  return true;
}

bool Translator::post(uint32_t id) {
  const Node& n = node(id);
  switch (n.kind) {
    case NodeKind::Empty:
      deliver(empty_expr());
      return true;
    case NodeKind::SetFlags:
      mode_.apply(ast_.flag_sets[n.aux]);
      deliver(empty_expr());
      return true;
    case NodeKind::Literal:
      return literal(id);
    case NodeKind::Dot:
      return dot(n);
    case NodeKind::Assertion:
      deliver(look_expr());
      return true;
    case NodeKind::ClassPerl:
      return perl_class(n);
    case NodeKind::ClassUnicode: {
      ClassValue v;
      if (!unicode_class(id, v)) return false;
      deliver(unicode_class_expr(std::move(v)));
      return true;
    }
    case NodeKind::ClassBracketed:
      return bracketed_class(n);
    case NodeKind::Repetition:
    case NodeKind::Group:
    case NodeKind::Concat:
    case NodeKind::Alternation:
      close_frame(n);
      return true;
    default:
      return true;
  }
}

bool Translator::dot(const Node& n) {
  // Without Unicode the dot matches single bytes, some of them not valid
  // UTF-8.
  if (!mode_.unicode) return fail(n.span, ErrorKind::InvalidUtf8);
  deliver(unicode_class_expr(ClassValue::of(
      dot_set(!mode_.dot_matches_new_line,
              !mode_.dot_matches_new_line && mode_.crlf))));
  return true;
}

bool Translator::perl_class(const Node& n) {
  const PerlKind kind = static_cast<PerlKind>(n.sub);
  if (mode_.unicode) {
    ClassValue v = ClassValue::of(perl_unicode_set(kind));
    if (n.negated) v = s_.negate(v);
    deliver(unicode_class_expr(std::move(v)));
    return true;
  }
  ByteSet b = perl_bytes(kind);
  if (n.negated) b = ~b;
  if (!b.is_ascii()) return fail(n.span, ErrorKind::InvalidUtf8);
  deliver(byte_class_expr(b));
  return true;
}

bool Translator::bracketed_class(const Node& n) {
  if (top().kind == Frame::Kind::UnicodeClass) {
    ClassValue v = fold_and_negate(top().unicode_class->finish(s_), n.negated);
    drop();
    deliver(unicode_class_expr(std::move(v)));
    return true;
  }
  ByteSet b = top().byte_class;
  drop();
  if (!byte_fold_and_negate(b, n.negated, n.span)) return false;
  deliver(byte_class_expr(b));
  return true;
}

// Ends the frame of a repetition, group, concatenation or alternation and
// delivers what it built.
void Translator::close_frame(const Node& n) {
  switch (n.kind) {
    case NodeKind::Repetition: {
      Expr child = std::move(*top().child);
      drop();
      std::optional<uint32_t> max;
      if (n.bounded) max = n.d;
      deliver(repetition_expr(s_, std::move(child), n.c, max));
      return;
    }
    case NodeKind::Group: {
      Expr child = std::move(*top().child);
      mode_ = top().old_mode;
      drop();
      if (static_cast<GroupKind>(n.sub) == GroupKind::NonCapturing) {
        deliver(std::move(child));
      } else {
        deliver(capture_expr(s_, std::move(child)));
      }
      return;
    }
    case NodeKind::Concat: {
      Expr e = top().concat->finish(s_);
      drop();
      deliver(std::move(e));
      return;
    }
    case NodeKind::Alternation: {
      std::vector<Expr> branches = std::move(top().branches);
      drop();
      deliver(alternation_expr(s_, std::move(branches)));
      return;
    }
    default:
      return;
  }
}

bool Translator::item_pre(uint32_t id) {
  if (node(id).kind == NodeKind::ItemBracketed) push_class_frame();
  return true;
}

bool Translator::item_post(uint32_t id) {
  const Node& n = node(id);
  switch (n.kind) {
    case NodeKind::ItemLiteral:
      return item_range(id, id);
    case NodeKind::ItemRange:
      return item_range(ast_.child(id, 0), ast_.child(id, 1));
    case NodeKind::ItemAscii:
      return item_ascii(n);
    case NodeKind::ItemUnicode: {
      ClassValue v;
      if (!unicode_class(id, v)) return false;
      add_to_class(v);
      return true;
    }
    case NodeKind::ItemPerl:
      return item_perl(n);
    case NodeKind::ItemBracketed:
      return item_bracketed(n);
    default:
      return true;  // empty items; unions are done item by item
  }
}

// A range between two literals; a literal item is the range from itself
// to itself.
bool Translator::item_range(uint32_t lo, uint32_t hi) {
  Frame& top = frames_.back();
  if (top.kind == Frame::Kind::UnicodeClass) {
    top.unicode_class->add_range(s_, node(lo).c, node(hi).c);
    return true;
  }
  uint8_t a = 0, b = 0;
  if (!class_literal_byte(lo, a) || !class_literal_byte(hi, b)) return false;
  top.byte_class.add(a, b);
  return true;
}

bool Translator::item_ascii(const Node& n) {
  const AsciiKind kind = static_cast<AsciiKind>(n.sub);
  if (mode_.unicode) {
    add_to_class(fold_and_negate(ascii_set(kind), n.negated));
    return true;
  }
  ByteSet b = ascii_bytes(kind);
  if (!byte_fold_and_negate(b, n.negated, n.span)) return false;
  add_to_class(b);
  return true;
}

bool Translator::item_perl(const Node& n) {
  const PerlKind kind = static_cast<PerlKind>(n.sub);
  if (mode_.unicode) {
    ClassValue v = ClassValue::of(perl_unicode_set(kind));
    if (n.negated) v = s_.negate(v);
    add_to_class(v);
    return true;
  }
  ByteSet b = perl_bytes(kind);
  if (n.negated) b = ~b;
  if (!b.is_ascii()) return fail(n.span, ErrorKind::InvalidUtf8);
  add_to_class(b);
  return true;
}

bool Translator::item_bracketed(const Node& n) {
  if (top().kind == Frame::Kind::UnicodeClass) {
    ClassValue v = fold_and_negate(top().unicode_class->finish(s_), n.negated);
    drop();
    add_to_class(v);
    return true;
  }
  ByteSet b = top().byte_class;
  drop();
  if (!byte_fold_and_negate(b, n.negated, n.span)) return false;
  add_to_class(b);
  return true;
}

bool Translator::op_post(uint32_t id) {
  const SetOpKind op = static_cast<SetOpKind>(node(id).sub);
  Frame& rhs = frames_[frames_.size() - 1];
  Frame& lhs = frames_[frames_.size() - 2];
  if (rhs.kind == Frame::Kind::ByteClass) {
    ByteSet a = lhs.byte_class, b = rhs.byte_class;
    drop();
    drop();
    Frame& out = frames_.back();
    if (mode_.case_insensitive) {
      a = a.case_folded();
      b = b.case_folded();
    }
    ByteSet r = op == SetOpKind::Intersection ? (a & b)
                : op == SetOpKind::Difference ? (a & ~b)
                                              : (a ^ b);
    out.byte_class = out.byte_class | r;
    return true;
  }
  ClassValue a = lhs.unicode_class->finish(s_);
  ClassValue b = rhs.unicode_class->finish(s_);
  drop();
  drop();
  Frame& out = frames_.back();
  if (mode_.case_insensitive) {
    a = s_.fold(a);
    b = s_.fold(b);
  }
  ClassValue r;
  if (!a.unknown() && !b.unknown() && !s_.budget.exhausted()) {
    s_.budget.spend(a.set->ranges().size() + b.set->ranges().size() + 1);
    CodepointSet res = op == SetOpKind::Intersection ? a.set->intersected(*b.set)
                       : op == SetOpKind::Difference
                           ? a.set->minus(*b.set)
                           : a.set->symmetric_difference(*b.set);
    r.set = std::make_shared<const CodepointSet>(std::move(res));
  }
  out.unicode_class->add(s_, r);
  return true;
}

}  // namespace

Expected<Expr, SyntaxError> translate(const Ast& ast, const StartFlags& flags,
                                      Session& session) {
  Translator t(ast, flags, session);
  if (!walk(ast, t)) return unexpected(*t.error);
  return std::move(*t.result);
}

}  // namespace kelp::regex
