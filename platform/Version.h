#pragma once

// Pixquarry's version, set once by project() in CMakeLists.txt, which also
// defines PIXQUARRY_VERSION_TEXT with two decimals ("1.00") for string literals.

namespace pixquarry {

// As the package and `pixquarry-cli --version` give it: "1.0".
inline constexpr char kVersion[] = PIXQUARRY_VERSION;
// The window's SoftVer, in hundredths: 100 is 1.00.
inline constexpr int kSoftVer = PIXQUARRY_SOFTVER;

}  // namespace pixquarry
