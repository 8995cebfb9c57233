#include "url/idna.h"

#include <unicode/uidna.h>
#include <unicode/utypes.h>

#include <cstdint>
#include <memory>

#include "url/bidi_rule.h"
#include "url/code_points.h"

namespace kelp::url {

namespace {

constexpr ErrorKind kIdnaError = ErrorKind::InvalidInternationalDomainName;

// UTS #46 runs with CheckHyphens and VerifyDnsLength off, which ICU cannot
// switch off: their errors are ignored instead.
constexpr std::uint32_t kIgnoredErrors =
    UIDNA_ERROR_EMPTY_LABEL | UIDNA_ERROR_LABEL_TOO_LONG | UIDNA_ERROR_DOMAIN_NAME_TOO_LONG |
    UIDNA_ERROR_LEADING_HYPHEN | UIDNA_ERROR_TRAILING_HYPHEN | UIDNA_ERROR_HYPHEN_3_4;

struct IdnaCloser {
  void operator()(UIDNA* idna) const { uidna_close(idna); }
};

bool is_ascii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Whether some label starts with "xn--", in any case: such a domain must have
// its Punycode checked even though it is ASCII.
bool has_ace_label(std::string_view domain) {
  std::size_t start = 0;
  for (;;) {
    std::string_view label = domain.substr(start, domain.find('.', start) - start);
    if (label.size() >= 4 && (label[0] | 0x20) == 'x' && (label[1] | 0x20) == 'n' &&
        label[2] == '-' && label[3] == '-')
      return true;
    start += label.size() + 1;
    if (start > domain.size()) return false;
  }
}

// ICU applies the Bidi Rule to every label of a right-to-left domain, also to
// a leading-digit ASCII label that precedes all right-to-left labels, which
// the current standard accepts. Only in that case is ICU's verdict overruled.
bool bidi_error_is_overruled(UIDNA* idna, std::string_view ascii) {
  std::string unicode(ascii.size() * 4 + 64, '\0');
  UIDNAInfo info = UIDNA_INFO_INITIALIZER;
  UErrorCode status = U_ZERO_ERROR;
  int32_t written = uidna_nameToUnicodeUTF8(idna, ascii.data(), static_cast<int32_t>(ascii.size()),
                                            unicode.data(), static_cast<int32_t>(unicode.size()),
                                            &info, &status);
  if (U_FAILURE(status) || written < 0 || (info.errors & ~(kIgnoredErrors | UIDNA_ERROR_BIDI)) != 0)
    return false;
  unicode.resize(static_cast<std::size_t>(written));
  return check_bidi_rule(unicode) == BidiVerdict::PassesByAllowance;
}

Expected<std::string, ParseError> unicode_to_ascii(std::string_view domain) {
  if (domain.size() > kMaxUnicodeDomainBytes) return failure(kIdnaError);
  UErrorCode status = U_ZERO_ERROR;
  // Opened per call: nothing of ours outlives a call, and ICU caches its data.
  std::unique_ptr<UIDNA, IdnaCloser> idna(uidna_openUTS46(
      UIDNA_CHECK_BIDI | UIDNA_CHECK_CONTEXTJ | UIDNA_NONTRANSITIONAL_TO_ASCII |
          UIDNA_NONTRANSITIONAL_TO_UNICODE,
      &status));
  if (U_FAILURE(status)) return failure(kIdnaError);
  const auto length = static_cast<int32_t>(domain.size());
  std::string out(domain.size() * 4 + 64, '\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    UIDNAInfo info = UIDNA_INFO_INITIALIZER;
    status = U_ZERO_ERROR;
    int32_t written = uidna_nameToASCII_UTF8(idna.get(), domain.data(), length, out.data(),
                                             static_cast<int32_t>(out.size()), &info, &status);
    if (status == U_BUFFER_OVERFLOW_ERROR && attempt == 0 && written > 0) {
      out.assign(static_cast<std::size_t>(written) + 1, '\0');
      continue;
    }
    if (U_FAILURE(status) || written < 0) return failure(kIdnaError);
    const std::uint32_t errors = info.errors & ~kIgnoredErrors;
    out.resize(static_cast<std::size_t>(written));
    if (errors == UIDNA_ERROR_BIDI && bidi_error_is_overruled(idna.get(), out)) return out;
    if (errors != 0) return failure(kIdnaError);
    return out;
  }
  return failure(kIdnaError);
}

}  // namespace

Expected<std::string, ParseError> domain_to_ascii(std::string_view domain) {
  std::string result;
  if (is_ascii(domain) && !has_ace_label(domain)) {
    result.reserve(domain.size());
    for (char c : domain) result.push_back(static_cast<char>(ascii_lower(static_cast<unsigned char>(c))));
  } else {
    auto converted = unicode_to_ascii(domain);
    if (!converted) return converted;
    result = std::move(converted.value());
  }
  if (result.empty()) return failure(kIdnaError);
  for (char c : result) {
    // UTS #46 output without errors is ASCII; anything else is refused all the same.
    if (static_cast<unsigned char>(c) >= 0x80) return failure(kIdnaError);
    if (is_forbidden_domain_code_point(static_cast<unsigned char>(c))) {
      return failure(ErrorKind::InvalidDomainCharacter);
    }
  }
  return result;
}

}  // namespace kelp::url
