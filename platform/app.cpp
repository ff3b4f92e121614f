#include "platform/app.h"

#include "zantovel_version.h"

namespace zantovel {

std::string AppTitle() {
  return "Zantovel";
}

AppVersion AppVersionNumbers() {
  return {ZANTOVEL_VERSION_MAJOR, ZANTOVEL_VERSION_MINOR, ZANTOVEL_VERSION_PATCH};
}

}  // namespace zantovel
