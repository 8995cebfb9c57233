#include "report/profile.h"

namespace kelp {

std::string_view profile_name(Profile profile) {
  switch (profile) {
    case Profile::Ci: return "ci";
    case Profile::Publish: return "publish";
    case Profile::Local: break;
  }
  return "local";
}

std::optional<Profile> profile_from_name(std::string_view name) {
  if (name == "local") return Profile::Local;
  if (name == "ci") return Profile::Ci;
  if (name == "publish") return Profile::Publish;
  return std::nullopt;
}

}  // namespace kelp
