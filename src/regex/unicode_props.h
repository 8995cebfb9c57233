// The dialect's Unicode classes: \p property names and values resolved with
// its loose matching (UAX #44 LM3, an optional "is" prefix) against the
// table of the names it knows, with the code points from ICU, plus the Perl
// classes \d \s \w, the ASCII classes [:name:] and the sets behind the dot.
#pragma once

#include <string>
#include <string_view>

#include "regex/ast.h"
#include "regex/class_ops.h"
#include "regex/codepoint_set.h"
#include "regex/error.h"
#include "util/expected.h"

namespace kelp::regex {

// The dialect's symbolic name normalization: drops an "is" prefix, spaces,
// underscores, hyphens and every non-ASCII byte, and lowercases.
std::string normalize_symbolic_name(std::string_view name);

// The class named by a \p class (before its own negation), or the error
// kind: UnicodePropertyNotFound or UnicodePropertyValueNotFound. Classes are
// shared for the life of the process, one per spelling (after loose
// matching) of the name.
Expected<const SharedClass*, ErrorKind> unicode_class_set(
    const UnicodeClassSpec& spec);

// \d, \s, \w in Unicode mode.
const SharedClass& perl_unicode_set(PerlKind kind);

// [:name:] as code points (all ASCII).
CodepointSet ascii_class_set(AsciiKind kind);
const SharedClass& ascii_class_shared(AsciiKind kind);

// Everything but the given line terminators: "\n" for the dot, "\r\n" for
// the dot in CRLF mode, "" for the dot that matches line feeds.
const SharedClass& dot_set(bool except_lf, bool except_cr);

}  // namespace kelp::regex
