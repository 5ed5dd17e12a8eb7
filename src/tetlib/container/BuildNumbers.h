#pragma once
// The build-number arithmetic of the asset tools. An asset's "vorlex-build"
// is a 32-bit float; the checks compare it as a whole number of hundredths,
// and each check has its own rounding. Each rounding is one named helper so
// that the boundaries (2.69/2.7, 2.89/2.9, 3.49/3.5) are tested in one place.
//
// Scaling is done in double precision, the added margins are 32-bit floats,
// and the conversion to an integer truncates. A configuration can hold a
// build no int holds ("1e39" reads as infinite, "nan" as NaN): such codes
// saturate, and NaN counts as the highest code, so that it is neither old
// nor obsolete (the future-asset check reports it).
#include <climits>

namespace TETLib {

// truncate(code), saturated to the int range; NaN gives INT_MAX.
inline int SaturatedBuildCode(double code) {
    if (code != code || code >= 2147483647.0) return INT_MAX;
    if (code <= -2147483648.0) return INT_MIN;
    return static_cast<int>(code);
}

// truncate(build * 100 + 0.1): the common comparison (obsolete assets,
// obsolete tags, compulsory builds, the future-asset limit).
inline int BuildCodeWithMargin(float build) { return SaturatedBuildCode(build * 100.0 + 0.1f); }

// truncate(build * 100): the obsolete-tag severity and the old-track kinds.
inline int BuildCodeTruncated(float build) { return SaturatedBuildCode(build * 100.0); }

// truncate(build * 100 + 0.5): the empty list-box severity.
inline int BuildCodeRounded(float build) { return SaturatedBuildCode(build * 100.0 + 0.5); }

// build * 100 without truncation: the empty sound-string test.
inline double BuildTimesHundred(float build) { return build * 100.0; }

// The build the container load stores for the asset: the configuration's
// value plus 0.001 (single precision), so 2.9 is held as 2.901.
inline float StoredAssetBuild(float configured) { return configured + 0.001f; }

// The rules' single-precision comparison: build < limit.
inline bool IsBuildBelow(float build, float limit) { return build < limit; }

// The asset-level code of the future-asset test and of the container's
// build comparisons: BuildCodeWithMargin.
constexpr int kFutureAssetBuildCode = 350;
constexpr int kObsoleteAssetBuildCode = 270;
constexpr int kStrictObsoleteTagBuildCode = 290;
constexpr int kOldTrackBuildCode = 290;
constexpr int kLegacyUpgradeBuildCode = 290;
constexpr int kListBoxErrorBuildCode = 350;

}  // namespace TETLib
