// The check profile: it decides the severity of a missing lockfile.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kelp {

enum class Profile : std::uint8_t { Local = 0, Ci = 1, Publish = 2 };

std::string_view profile_name(Profile profile);
// Exact, case-sensitive match of "local", "ci", "publish".
std::optional<Profile> profile_from_name(std::string_view name);

}  // namespace kelp
