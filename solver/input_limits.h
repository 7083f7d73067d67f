// The range every input field accepts, in internal units. The field checks clamp or refuse a
// typed value with these; loading the preferences file clamps stored values with the same limits.
#pragma once

namespace velora {

inline constexpr float MinMV = 200.0f, MaxMV = 4000.0f;   // ft/s
inline constexpr float MinTV = 200.0f, TVBelowMV = 2.0f;  // TV ≤ MV − 2 ft/s
inline constexpr float MinSH = 0.1f, MaxSH = 6.0f;        // in
inline constexpr float MaxPOI = -0.1f;                    // in (POI ≤ −0.1)
inline constexpr float MaxDROP = -0.1f;                   // in (DROP ≤ −0.1)
inline constexpr float MinBC = 0.004f, MaxBC = 1.2f;
inline constexpr float MinTMP = -20.0f, MaxTMP = 60.0f;                      // °C, outside refused
inline constexpr float MinPRES = 19.0f, MaxPRES = 35.0f;                     // inHg, outside refused
inline constexpr float MaxHUMID = 100.0f;                                    // %
inline constexpr float MaxTolerance = 5.0f;                                  // % for MV_TOL and TV_TOL
inline constexpr float MinZR = 1.0f;                                         // yd
inline constexpr float RangeCap = 1901.0f;                                   // yd, the farthest target range
inline constexpr float TargetSlotMinimum[4] = {10.0f, 10.0f, 10.0f, 20.0f};  // yd per method
inline constexpr float FarZeroTargetFactor = 1.25f;                          // DeltaPOI target ≥ 1.25 × far zero

}  // namespace velora
