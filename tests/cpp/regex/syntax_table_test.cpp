#include <gtest/gtest.h>

#include <string>

#include "regex/check_text.h"
#include "regex/syntax.h"

// One table of patterns with the outcome the dialect gives each: accepted,
// refused with its error display, or refused for the compiled size.

namespace {

using kelp::regex::Flags;

enum class Outcome { Ok, Error, TooBig };

struct Case {
  const char* pattern;
  Flags flags;
  Outcome outcome;
  const char* carets = "";  // the marker line, without its indentation
  const char* reason = "";

  Case(const char* p, Flags f, Outcome o) : pattern(p), flags(f), outcome(o) {}
  Case(const char* p, Flags f, const char* c, const char* r)
      : pattern(p), flags(f), outcome(Outcome::Error), carets(c), reason(r) {}
};

constexpr Outcome kOk = Outcome::Ok;
constexpr Outcome kTooBig = Outcome::TooBig;

const Flags kNone{};
const Flags kI{true, false, false};
const Flags kM{false, true, false};
const Flags kS{false, false, true};
const Flags kIMS{true, true, true};

const char* const kHexInvalid = "hexadecimal literal is not a Unicode scalar value";
const char* const kHexDigit = "invalid hexadecimal digit";
const char* const kEscapeEof =
    "incomplete escape sequence, reached end of pattern prematurely";
const char* const kHexEmpty = "hexadecimal literal empty";
const char* const kEscapeUnrecognized = "unrecognized escape sequence";
const char* const kBackreference = "backreferences are not supported";
const char* const kClassEscape = "invalid escape sequence found in character class";
const char* const kRangeLiteral = "invalid range boundary, must be a literal";
const char* const kClassUnclosed = "unclosed character class";
const char* const kRangeInvalid =
    "invalid character class range, the start must be <= the end";
const char* const kDecimalEmpty = "repetition quantifier expects a valid decimal";
const char* const kCountInvalid =
    "invalid repetition count range, the start must be <= the end";
const char* const kCountUnclosed = "unclosed counted repetition";
const char* const kRepetitionMissing = "repetition operator missing expression";
const char* const kDecimalInvalid = "decimal literal invalid";
const char* const kWordBoundaryUnknown =
    "unrecognized special word boundary assertion, valid choices are: start, "
    "end, start-half or end-half";
const char* const kWordBoundaryUnclosed =
    "special word boundary assertion is either unclosed or contains an "
    "invalid character";
const char* const kWordBoundaryEof =
    "found either the beginning of a special word boundary or a bounded "
    "repetition on a \\b with an opening brace, but no closing brace";
const char* const kNameInvalid = "invalid capture group character";
const char* const kNameEmpty = "empty capture group name";
const char* const kNameUnclosed = "unclosed capture group name";
const char* const kNameDuplicate = "duplicate capture group name";
const char* const kFlagUnrecognized = "unrecognized flag";
const char* const kLookAround =
    "look-around, including look-ahead and look-behind, is not supported";
const char* const kFlagDuplicate = "duplicate flag";
const char* const kNegationRepeated = "flag negation operator repeated";
const char* const kNegationDangling = "dangling flag negation operator";
const char* const kGroupUnclosed = "unclosed group";
const char* const kFlagEof = "expected flag but got end of regex";
const char* const kGroupUnopened = "unopened group";
const char* const kValueNotFound = "Unicode property value not found";
const char* const kPropertyNotFound = "Unicode property not found";
const char* const kUnicodeClassInvalid = "invalid Unicode character class";
const char* const kInvalidUtf8 = "pattern can match invalid UTF-8";
const char* const kUnicodeNotAllowed = "Unicode not allowed here";

const Case kCases[] = {

    // Escapes: meta characters, escaped punctuation, special letters, hex forms.
    {"\\.\\+\\*\\?\\(\\)\\|\\[\\]\\{\\}\\^\\$\\#\\&\\-\\~\\\\", kNone, kOk},
    {"\\/\\\"\\'\\!\\%\\=\\:\\;\\,\\@\\`\\_\\ ", kNone, kOk},
    {"\\a\\f\\t\\n\\r\\v", kNone, kOk},
    {"\\x7F\\x{10FFFF}\\u007F\\u{1F600}\\U0000007F\\U{61}", kNone, kOk},
    {"\\x{110000}", kNone, "   ^^^^^^", kHexInvalid},
    {"\\x{D800}", kNone, "   ^^^^", kHexInvalid},
    {"\\uD800", kNone, "  ^^^^", kHexInvalid},
    {"\\U00110000", kNone, "  ^^^^^^^^", kHexInvalid},
    {"\\xG1", kNone, "  ^", kHexDigit},
    {"\\x1", kNone, "   ^", kEscapeEof},
    {"\\x", kNone, "  ^", kEscapeEof},
    {"\\x{}", kNone, "  ^^", kHexEmpty},
    {"\\x{12", kNone, "  ^^^", kEscapeEof},
    {"\\x{1g}", kNone, "    ^", kHexDigit},
    {"\\x{0000000000041}", kNone, kOk},

    // Escapes the dialect refuses.
    {"\\e", kNone, "^^", kEscapeUnrecognized},
    {"\\Z", kNone, "^^", kEscapeUnrecognized},
    {"\\Qab\\E", kNone, "^^", kEscapeUnrecognized},
    {"\\0", kNone, "^^", kBackreference},
    {"\\9", kNone, "^^", kBackreference},
    {"\\12", kNone, "^^", kBackreference},
    {"\\k<n>", kNone, "^^", kEscapeUnrecognized},
    {"\\g1", kNone, "^^", kEscapeUnrecognized},
    {"\\c", kNone, "^^", kEscapeUnrecognized},
    {"\\h", kNone, "^^", kEscapeUnrecognized},
    {"\\K", kNone, "^^", kEscapeUnrecognized},
    {"\\R", kNone, "^^", kEscapeUnrecognized},
    {"\\X", kNone, "^^", kEscapeUnrecognized},
    {"\\G", kNone, "^^", kEscapeUnrecognized},
    {"\\é", kNone, "^^", kEscapeUnrecognized},

    // Bracketed classes: escapes, ranges, negation, nesting, set operations.
    {"[\\e]", kNone, " ^^", kEscapeUnrecognized},
    {"[\\b]", kNone, " ^^", kClassEscape},
    {"[\\A]", kNone, " ^^", kClassEscape},
    {"[\\z]", kNone, " ^^", kClassEscape},
    {"[\\<]", kNone, " ^^", kClassEscape},
    {"[a-\\d]", kNone, "   ^^", kRangeLiteral},
    {"[\\d-z]", kNone, " ^^", kRangeLiteral},
    {"[a-\\pL]", kNone, "   ^^^", kRangeLiteral},
    {"[\\w]", kNone, kOk},
    {"[a-z]", kNone, kOk},
    {"[^a-z]", kNone, kOk},
    {"[]a]", kNone, kOk},
    {"[^]a]", kNone, kOk},
    {"[]", kNone, "^^", kClassUnclosed},
    {"[^]", kNone, "^^^", kClassUnclosed},
    {"[-a]", kNone, kOk},
    {"[a-]", kNone, kOk},
    {"[--a]", kNone, kOk},
    {"[a--b]", kNone, kOk},
    {"[a&&b]", kNone, kOk},
    {"[a~~b]", kNone, kOk},
    {"[&&a]", kNone, kOk},
    {"[a&&]", kNone, kOk},
    {"[[:alpha:]]", kNone, kOk},
    {"[[:^alpha:]]", kNone, kOk},
    {"[[:alpha:]", kNone, "^", kClassUnclosed},
    {"[[:foo:]]", kNone, kOk},
    {"[:alpha:]", kNone, kOk},
    {"[[:alpha]]", kNone, kOk},
    {"[a[b]]", kNone, kOk},
    {"[[a]&&[b]]", kNone, kOk},
    {"[a-c&&b-d]", kNone, kOk},
    {"[\\pL&&\\p{Greek}]", kNone, kOk},
    {"[\\p{Greek}--\\p{Lu}]", kNone, kOk},
    {"[\\p{Greek}~~\\p{Lu}]", kNone, kOk},
    {"[z-a]", kNone, " ^^^", kRangeInvalid},
    {"[a-a]", kNone, kOk},
    {"[\\x{10FFFF}-\\x00]", kNone, " ^^^^^^^^^^^^^^^", kRangeInvalid},
    {"[^\\x00-\\x{10FFFF}]", kNone, kOk},

    // Repetitions, counted repetitions and their errors.
    {"a**", kNone, kOk},
    {"a*?", kNone, kOk},
    {"a+?", kNone, kOk},
    {"a??", kNone, kOk},
    {"a{2}", kNone, kOk},
    {"a{2,}", kNone, kOk},
    {"a{2,5}", kNone, kOk},
    {"a{2,5}?", kNone, kOk},
    {"a{ 2 , 5 }", kNone, kOk},
    {"a{2 }", kNone, kOk},
    {"a{,5}", kNone, "  ^", kDecimalEmpty},
    {"a{5,2}", kNone, " ^^^^^", kCountInvalid},
    {"a{", kNone, " ^", kCountUnclosed},
    {"a{2", kNone, " ^^", kCountUnclosed},
    {"a{2,", kNone, " ^^^", kCountUnclosed},
    {"a{a}", kNone, "  ^", kDecimalEmpty},
    {"a{2,a}", kNone, "    ^", kDecimalEmpty},
    {"a{}", kNone, "  ^", kDecimalEmpty},
    {"{2}", kNone, "^", kRepetitionMissing},
    {"x|{2}", kNone, "  ^", kRepetitionMissing},
    {"(?i){2}", kNone, "    ^", kRepetitionMissing},
    {"({2})", kNone, " ^", kRepetitionMissing},
    {"a{99999999999}", kNone, "  ^^^^^^^^^^^", kDecimalInvalid},
    {"a{4294967295}", kNone, kTooBig},
    {"a{0}", kNone, kOk},
    {"a{0}{0}", kNone, kOk},

    // Assertions and word boundaries.
    {"^*", kNone, kOk},
    {"$+", kNone, kOk},
    {"\\b+", kNone, kOk},
    {"\\b{2}", kNone, kOk},
    {"\\b{start}", kNone, kOk},
    {"\\b{end}", kNone, kOk},
    {"\\b{start-half}", kNone, kOk},
    {"\\b{end-half}", kNone, kOk},
    {"\\b{foo}", kNone, "   ^^^", kWordBoundaryUnknown},
    {"\\b{start", kNone, "  ^^^^^^", kWordBoundaryUnclosed},
    {"\\b{", kNone, "^^^", kWordBoundaryEof},
    {"\\b{st@rt}", kNone, "  ^^^", kWordBoundaryUnclosed},
    {"\\b{ start }", kNone, "    ^", kDecimalEmpty},
    {"\\<\\>", kNone, kOk},
    {"\\A\\z", kNone, kOk},
    {"\\B", kNone, kOk},

    // Groups, capture names and look-around.
    {"(a)", kNone, kOk},
    {"(?:a)", kNone, kOk},
    {"(?P<name>a)", kNone, kOk},
    {"(?<name>a)", kNone, kOk},
    {"(?P<a1_.[]>a)", kNone, kOk},
    {"(?P<é>a)", kNone, kOk},
    {"(?P<1a>a)", kNone, "    ^", kNameInvalid},
    {"(?P<>a)", kNone, "    ^", kNameEmpty},
    {"(?P<a", kNone, "     ^", kNameUnclosed},
    {"(?P<", kNone, "    ^", kNameUnclosed},
    {"(?P<a b>c)", kNone, "     ^", kNameInvalid},
    {"(?<a>x)(?<a>y)", kNone, "   ^      ^", kNameDuplicate},
    {"(?P<a>x)(?<a>y)", kNone, "    ^      ^", kNameDuplicate},
    {"(?P=a)", kNone, "  ^", kFlagUnrecognized},
    {"(?P>a)", kNone, "  ^", kFlagUnrecognized},
    {"(?=a)", kNone, "^^^", kLookAround},
    {"(?!a)", kNone, "^^^", kLookAround},
    {"(?<=a)", kNone, "^^^^", kLookAround},
    {"(?<!a)", kNone, "^^^^", kLookAround},
    {"(?>a)", kNone, "  ^", kFlagUnrecognized},
    {"(?#comment)", kNone, "  ^", kFlagUnrecognized},

    // Inline flags.
    {"(?i)", kNone, kOk},
    {"(?imsRUux)", kNone, kOk},
    {"(?i:a)", kNone, kOk},
    {"(?-i:a)", kNone, kOk},
    {"(?i-msx:a)", kNone, kOk},
    {"(?ii)", kNone, "  ^^", kFlagDuplicate},
    {"(?i-i)", kNone, "  ^ ^", kFlagDuplicate},
    {"(?--i)", kNone, "  ^^", kNegationRepeated},
    {"(?i-)", kNone, "   ^", kNegationDangling},
    {"(?-)", kNone, "  ^", kNegationDangling},
    {"(?)", kNone, " ^", kRepetitionMissing},
    {"(?", kNone, "^", kGroupUnclosed},
    {"(?i", kNone, "   ^", kFlagEof},
    {"(?i-", kNone, "    ^", kFlagEof},
    {"(?:", kNone, "^", kGroupUnclosed},
    {"(?:a", kNone, "^", kGroupUnclosed},
    {"(?z)", kNone, "  ^", kFlagUnrecognized},
    {"(?i )", kNone, "   ^", kFlagUnrecognized},

    // Unbalanced groups and empty branches.
    {"(a", kNone, "^", kGroupUnclosed},
    {"a)", kNone, " ^", kGroupUnopened},
    {"(a|b", kNone, "^", kGroupUnclosed},
    {"a|b)", kNone, "   ^", kGroupUnopened},
    {"((a)", kNone, "^", kGroupUnclosed},
    {"()", kNone, kOk},
    {"(|)", kNone, kOk},
    {"a||b", kNone, kOk},
    {"|", kNone, kOk},
    {"(?i)|a", kNone, kOk},
    {"(?i)*", kNone, "    ^", kRepetitionMissing},
    {"(?i)+", kNone, "    ^", kRepetitionMissing},

    // Verbose mode.
    {"(?x)a b c", kNone, kOk},
    {"(?x)a # comment", kNone, kOk},
    {"(?x)[ a b ]", kNone, kOk},
    {"(?x)a{ 2 , 3 }", kNone, kOk},
    {"(?x)a { 2 }", kNone, kOk},
    {"(?x)\\ ", kNone, kOk},
    {"(?x)( ?i)a", kNone, kOk},
    {"(?x)(? i)a", kNone, "      ^", kFlagUnrecognized},
    {"(?x)a * ?", kNone, kOk},
    {"(?x:a b)c d", kNone, kOk},
    {"((?x)a b)c d", kNone, kOk},

    // Unicode classes and property names.
    {"\\pL", kNone, kOk},
    {"\\pN", kNone, kOk},
    {"\\p{L}", kNone, kOk},
    {"\\p{Letter}", kNone, kOk},
    {"\\p{Lu}", kNone, kOk},
    {"\\p{lu}", kNone, kOk},
    {"\\p{Uppercase_Letter}", kNone, kOk},
    {"\\p{Greek}", kNone, kOk},
    {"\\p{greek}", kNone, kOk},
    {"\\p{IsGreek}", kNone, kOk},
    {"\\p{Is_Greek}", kNone, kOk},
    {"\\p{Grek}", kNone, kOk},
    {"\\p{Script=Greek}", kNone, kOk},
    {"\\p{sc=Greek}", kNone, kOk},
    {"\\p{Script:Greek}", kNone, kOk},
    {"\\p{scx=Greek}", kNone, kOk},
    {"\\p{Script_Extensions=Greek}", kNone, kOk},
    {"\\p{sc!=Greek}", kNone, kOk},
    {"\\P{sc!=Greek}", kNone, kOk},
    {"\\p{gc=Lu}", kNone, kOk},
    {"\\p{General_Category=Uppercase_Letter}", kNone, kOk},
    {"\\p{gc:L}", kNone, kOk},
    {"\\p{Alphabetic}", kNone, kOk},
    {"\\p{Alpha}", kNone, kOk},
    {"\\p{Emoji}", kNone, kOk},
    {"\\p{Emoji_Presentation}", kNone, kOk},
    {"\\p{Extended_Pictographic}", kNone, kOk},
    {"\\p{White_Space}", kNone, kOk},
    {"\\p{WSpace}", kNone, kOk},
    {"\\p{space}", kNone, kOk},
    {"\\p{Any}", kNone, kOk},
    {"\\p{ASCII}", kNone, kOk},
    {"\\p{Assigned}", kNone, kOk},
    {"\\p{Age=3.0}", kNone, kOk},
    {"\\p{age=V3_0}", kNone, kOk},
    {"\\p{Age=17.0}", kNone, "^^^^^^^^^^^^", kValueNotFound},
    {"\\p{Age=NA}", kNone, "^^^^^^^^^^", kValueNotFound},
    {"\\p{gcb=LF}", kNone, kOk},
    {"\\p{wb=ALetter}", kNone, kOk},
    {"\\p{sb=ATerm}", kNone, kOk},
    {"\\p{cf}", kNone, kOk},
    {"\\p{sc}", kNone, kOk},
    {"\\p{lc}", kNone, kOk},
    {"\\p{Cs}", kNone, "^^^^^^", kValueNotFound},
    {"\\p{gc=Cs}", kNone, "^^^^^^^^^", kValueNotFound},
    {"\\p{Script}", kNone, "^^^^^^^^^^", kPropertyNotFound},
    {"\\p{gc}", kNone, "^^^^^^", kPropertyNotFound},
    {"\\p{Age}", kNone, "^^^^^^^", kPropertyNotFound},
    {"\\p{Bidi_Class=L}", kNone, "^^^^^^^^^^^^^^^^", kValueNotFound},
    {"\\p{bc=L}", kNone, "^^^^^^^^", kValueNotFound},
    {"\\p{Alphabetic=Yes}", kNone, "^^^^^^^^^^^^^^^^^^", kValueNotFound},
    {"\\p{Foo=Bar}", kNone, "^^^^^^^^^^^", kPropertyNotFound},
    {"\\p{Foo}", kNone, "^^^^^^^", kPropertyNotFound},
    {"\\p{}", kNone, "^^^^", kPropertyNotFound},
    {"\\p{ }", kNone, "^^^^^", kPropertyNotFound},
    {"\\p{Greek", kNone, "        ^", kEscapeEof},
    {"\\p", kNone, "  ^", kEscapeEof},
    {"\\P", kNone, "  ^", kEscapeEof},
    {"\\pé", kNone, "^^^", kPropertyNotFound},
    {"\\p\\", kNone, "  ^", kUnicodeClassInvalid},
    {"\\p{^Greek}", kNone, "^^^^^^^^^^", kPropertyNotFound},
    {"\\P{Greek}", kNone, kOk},
    {"\\PL", kNone, kOk},
    {"\\p{Hrkt}", kNone, "^^^^^^^^", kValueNotFound},
    {"\\p{Common}", kNone, kOk},
    {"\\p{Inherited}", kNone, kOk},
    {"\\p{Other_Alphabetic}", kNone, kOk},
    {"\\p{Bidi_Mirrored}", kNone, kOk},
    {"\\p{Bidi_M}", kNone, kOk},
    {"\\p{CWKCF}", kNone, kOk},
    {"\\p{Blis}", kNone, "^^^^^^^^", kPropertyNotFound},
    {"\\p{sc=Blis}", kNone, "^^^^^^^^^^^", kValueNotFound},
    {"\\p{Hex_Digit}", kNone, kOk},
    {"\\p{XDigit}", kNone, "^^^^^^^^^^", kPropertyNotFound},
    {"\\p{Word}", kNone, "^^^^^^^^", kPropertyNotFound},
    {"\\p{Lé}", kNone, kOk},
    {"\\p{isc}", kNone, "^^^^^^^", kPropertyNotFound},
    {"\\p{Is_C}", kNone, "^^^^^^^^", kPropertyNotFound},
    {"\\p{Latin Extended}", kNone, "^^^^^^^^^^^^^^^^^^", kPropertyNotFound},
    {"\\p{L&}", kNone, "^^^^^^", kPropertyNotFound},
    {"\\p{Lowercase}", kNone, kOk},
    {"\\p{Ll}", kNone, kOk},

    // Unicode mode off: what may and may not match invalid UTF-8.
    {"(?-u:a)", kNone, kOk},
    {"(?-u:é)", kNone, kOk},
    {"(?-u:\\x{FF})", kNone, kOk},
    {"(?-u:\\u00FF)", kNone, kOk},
    {"(?-u:\\xFF)", kNone, "     ^^^^", kInvalidUtf8},
    {"(?-u:\\x7F)", kNone, kOk},
    {"(?-u:\\x80)", kNone, "     ^^^^", kInvalidUtf8},
    {"(?-u:[\\x80])", kNone, "      ^^^^", kInvalidUtf8},
    {"(?-u:[\\xFF-\\xFF])", kNone, "      ^^^^", kInvalidUtf8},
    {"(?-u:[é])", kNone, "      ^", kUnicodeNotAllowed},
    {"(?-u:[\\x{E9}])", kNone, "      ^^^^^^", kUnicodeNotAllowed},
    {"(?-u:[a-z])", kNone, kOk},
    {"(?-u:[^a])", kNone, "     ^^^^", kInvalidUtf8},
    {"(?-u:[^\\x00-\\x7F])", kNone, "     ^^^^^^^^^^^^", kInvalidUtf8},
    {"(?-u:[[:alpha:]])", kNone, kOk},
    {"(?-u:[[:^alpha:]])", kNone, "      ^^^^^^^^^^", kInvalidUtf8},
    {"(?-u:[^[:^alpha:]])", kNone, "       ^^^^^^^^^^", kInvalidUtf8},
    {"(?-u:\\w)", kNone, kOk},
    {"(?-u:\\W)", kNone, "     ^^", kInvalidUtf8},
    {"(?-u:\\d\\D)", kNone, "       ^^", kInvalidUtf8},
    {"(?-u:[\\w])", kNone, kOk},
    {"(?-u:[\\W])", kNone, "      ^^", kInvalidUtf8},
    {"(?-u:[^\\W])", kNone, "       ^^", kInvalidUtf8},
    {"(?-u:[\\s--\\S])", kNone, "          ^^", kInvalidUtf8},
    {"(?-u:\\pL)", kNone, "     ^^^", kUnicodeNotAllowed},
    {"(?-u:[\\pL])", kNone, "      ^^^", kUnicodeNotAllowed},
    {"(?-u:\\P{Greek})", kNone, "     ^^^^^^^^^", kUnicodeNotAllowed},
    {"(?-u:.)", kNone, "     ^", kInvalidUtf8},
    {"(?s-u:.)", kNone, "      ^", kInvalidUtf8},
    {"(?-u)\\b", kNone, kOk},
    {"(?-u)\\B", kNone, kOk},
    {"(?-u)\\b{start}", kNone, kOk},
    {"(?-u)^$", kNone, kOk},
    {"(?i-u)k", kNone, kOk},
    {"(?i-u)é", kNone, kOk},
    {"(?i-u)[a-z]", kNone, kOk},
    {"(?-u:[\\x00-\\x7F&&[^a]])", kNone, "                 ^^^^", kInvalidUtf8},
    {"(?-u:[a&&[^a]])", kNone, "         ^^^^", kInvalidUtf8},
    {"(?-u:[[^a]&&a])", kNone, "      ^^^^", kInvalidUtf8},
    {"(?-u)(?u:\\pL)", kNone, kOk},
    {"(?-u:(?u:.))", kNone, kOk},
    {"(?u)\\pL", kNone, kOk},

    // Dot, CRLF and case-insensitive classes; non-ASCII literals.
    {".", kNone, kOk},
    {"(?s).", kNone, kOk},
    {"(?R).", kNone, kOk},
    {"(?sR).", kNone, kOk},
    {"(?mR)^$", kNone, kOk},
    {"(?U)a+", kNone, kOk},
    {"(?i)k", kNone, kOk},
    {"(?i)[k]", kNone, kOk},
    {"(?i)[^k]", kNone, kOk},
    {"(?i)\\p{Lu}", kNone, kOk},
    {"(?i)[\\p{Lu}--\\p{Ll}]", kNone, kOk},
    {"(?i)ǅ", kNone, kOk},
    {"(?i)ß", kNone, kOk},
    {"(?i)Ω", kNone, kOk},
    {"(?i)İ", kNone, kOk},
    {"é{2}", kNone, kOk},
    {"[αβγ]", kNone, kOk},
    {"(?i)ΣΑΣ", kNone, kOk},
    {"😀", kNone, kOk},
    {"[😀-😃]", kNone, kOk},
    {"\\x{1F600}+", kNone, kOk},
    {"a\\x{D7FF}\\x{E000}", kNone, kOk},
    {"[\\x{D7FF}-\\x{E000}]", kNone, kOk},

    // The gate flags (i, m, s) given by the caller.
    {"^ok$", kI, kOk},
    {"^ok$", kM, kOk},
    {"(?-u:[^a])", kI, "     ^^^^", kInvalidUtf8},
    {"(?s:.)", kIMS, kOk},

    // Dot, CRLF and case-insensitive classes; non-ASCII literals.
    {".", kS, kOk},
    {"[[:upper:]]", kI, kOk},
    {"(?-i)K", kI, kOk},
    {"k{100000}", kI, kTooBig},
    {"k{100000}", kNone, kOk},
    {"(?-m)^$", kM, kOk},
    {"\\pL+", kIMS, kOk},
    {"\\p{Greek}", kI, kOk},
    {"(?-u)\\W", kI, "     ^^", kInvalidUtf8},
    {"(?-u:.)", kS, "     ^", kInvalidUtf8},

    // The compiled size limit.
    {"\\pL{1000}", kNone, kTooBig},
    {"\\w{100}", kNone, kOk},
    {"\\w{300}", kNone, kTooBig},
    {"(?:a{1000}){1000}", kNone, kTooBig},
    {"(?:a{100}){100}", kNone, kOk},
    {"a{10000}", kNone, kOk},
    {"(?:){4294967295}", kNone, kOk},
    {"\\b{4294967295}", kNone, kOk},
    {"(?:a{0}){4294967295}", kNone, kOk},
    {"(?:a?){100000}", kNone, kOk},
    {"(?:a|b){1000}", kNone, kOk},
    {"[\\pL--\\p{Greek}]{100}", kNone, kOk},
    {"\\d{1000}", kNone, kOk},
};

class SyntaxTable : public ::testing::TestWithParam<Case> {};

TEST_P(SyntaxTable, GivesTheDialectsOutcome) {
  const Case& c = GetParam();
  const std::optional<std::string> got = kelp::regex_testing::check_text(c.pattern, c.flags);
  switch (c.outcome) {
    case Outcome::Ok:
      EXPECT_EQ(got, std::nullopt) << c.pattern;
      break;
    case Outcome::TooBig:
      EXPECT_EQ(got, "Compiled regex exceeds size limit of 10485760 bytes.")
          << c.pattern;
      break;
    case Outcome::Error:
      EXPECT_EQ(got, "regex parse error:\n    " + std::string(c.pattern) +
                         "\n    " + c.carets + "\nerror: " + c.reason)
          << c.pattern;
      break;
  }
}

void PrintTo(const Case& c, std::ostream* os) { *os << c.pattern; }

// Names from the pattern's letters and digits, behind the case's index.
std::string case_name(const ::testing::TestParamInfo<Case>& case_info) {
  std::string name = std::to_string(case_info.index) + "_";
  for (const char* p = case_info.param.pattern; *p && name.size() < 40; ++p) {
    const char ch = *p;
    if ((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9')) {
      name.push_back(ch);
    }
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Patterns, SyntaxTable, ::testing::ValuesIn(kCases), case_name);

TEST(SyntaxTableSize, HoldsAtLeastTwoHundredPatterns) {
  EXPECT_GE(std::size(kCases), 200u);
}

}  // namespace
