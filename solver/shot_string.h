// A shot string: the shots of one session as a chronograph or a Doppler radar recorded them, each
// shot with its own muzzle velocity, its measurements at ranges and, from a radar, its track.
//
// Every value is in the internal units: velocities ft/s, ranges yd, times s, POI and drop in. The
// readers convert from the units the file states. Nothing a file holds is dropped: a shot, a
// measurement or a track sample that the reader judges unusable is kept with a mark that says why,
// and the user may take it back in. What the file says about the projectile is kept as the device
// had it set, which is not necessarily the truth.
//
// Plain records and pure functions, no Qt.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "solver/shot_fit.h"

namespace velora {

// The most measurements (track samples included) a string may hold, and the largest input a reader
// takes.
inline constexpr std::size_t MostStringMeasurements = 100000;
inline constexpr std::size_t LargestStringInput = std::size_t{64} << 20;

// Why something is set aside.
enum class MarkKind : int {
    LostTrack = 0,     // the device wrote 0 (or nan): it lost the projectile
    RepeatedGate,      // a gate that repeats the value of the gate before it
    BackExtrapolated,  // the device's back-extrapolated first track row, not a measurement
    BeyondFlight,      // beyond the end of the shot's radar track
    FasterThanMuzzle,  // faster than the shot's own muzzle velocity
    NoMuzzleVelocity,  // the shot has no usable muzzle velocity
    ExcludedInFile,    // set aside in the file itself (a string saved with marks)
    ExcludedByUser,    // set aside by the user
    Outlier,           // set aside by the fit: it stands apart from the other shots by the fit's rule
};
inline constexpr int MarkKindCount = 9;

// "lost_track", "repeated_gate", … as the JSON form names them.
const char* mark_kind_name(MarkKind kind);
std::optional<MarkKind> mark_kind_named(std::string_view name);

struct Mark {
    MarkKind kind = MarkKind::LostTrack;
    std::string reason;  // in words for the user: "lost track: the device wrote 0"
};

// The marks of one item and the user's choice over them. An item is used when it has no mark, or
// when the user took it back in although it has some (`overridden`).
struct Marks {
    std::vector<Mark> marks;
    bool overridden = false;

    bool used() const { return marks.empty() || overridden; }
    void add(MarkKind kind, std::string reason);
    bool has(MarkKind kind) const;
    // The user's check box: including clears a user's own exclusion and overrides the reader's
    // marks; excluding withdraws an override, or marks the item as excluded by the user.
    void set_used(bool use);
    // "lost track: the device wrote 0; repeats the gate before it"; empty without marks.
    std::string reasons() const;
};

// One measured quantity at one range.
struct Measurement {
    float range = 0;  // yd
    ShotQuantity quantity = ShotQuantity::Velocity;
    float value = 0;                   // ft/s, s, in (a POI below the aim and a drop below the bore negative)
    std::optional<float> uncertainty;  // standard uncertainty in the value's unit; nothing: the default
    std::optional<float> weight;       // relative weight, when the device gives one
    std::string label;                 // the file's name for it ("V41", "v@50m"); may be empty
    Marks marks;
};

// One sample of a radar track.
struct TrackSample {
    float time = 0;      // s after the shot
    float velocity = 0;  // ft/s
    float range = 0;     // yd from the radar
    std::optional<float> snr;
    float weight = 0;  // relative: the SNR as the device wrote it, 0 where it gave none
    Marks marks;
};

enum class MvKind : int {
    Unknown = 0,
    Measured,      // measured at the muzzle (a chronograph)
    Extrapolated,  // extrapolated back to the muzzle by the device (a radar's first value)
};
const char* mv_kind_name(MvKind kind);  // "unknown", "measured", "extrapolated"
std::optional<MvKind> mv_kind_named(std::string_view name);

struct StringShot {
    std::string id;           // as the file numbers it ("0001", "12"); may be empty
    std::optional<float> MV;  // ft/s
    MvKind mv_kind = MvKind::Unknown;
    std::vector<Measurement> measurements;
    std::vector<TrackSample> track;
    std::string time;   // when it was shot, as recorded
    std::string notes;  // the device's or the user's notes
    Marks marks;
};

// What the file says about the projectile: the device's setting, not necessarily the truth.
struct RecordedProjectile {
    std::optional<float> weight_gr;  // grains
    std::string description;         // the session's title or load note; may be empty
};

// A figure the file states in its own summary ("Stats - Average", "AVERAGE SPEED"), converted.
struct StatedFigure {
    std::string name;            // as the file writes it
    std::optional<float> value;  // in the internal unit of `quantity`; nothing where the file wrote none (nan)
    std::string text;            // as the file writes it
};

struct ShotString {
    std::string format;  // the reader that read it: "labradar", "xero-fit", …
    std::string name;    // the file or folder it came from
    std::vector<std::string> files;
    std::string device;  // the device's id, where the file gives one
    std::string title;
    std::string velocity_unit;  // the units the file stated: "fps", "m/s"; empty where it has no velocities
    std::string distance_unit;  // "m", "yd", "ft"; empty where it has no ranges
    RecordedProjectile projectile;
    std::vector<StatedFigure> stated;
    std::vector<std::string> notes;  // what the reader noticed and did
    std::vector<StringShot> shots;
};

// Track samples and measurements of all shots together.
std::size_t measurement_count(const ShotString& s);

// The spread of the muzzle velocities of the used shots that have one.
struct MvSummary {
    int count = 0;
    double mean = 0;  // ft/s
    double sd = 0;    // sample standard deviation (n − 1); 0 for one shot
    double es = 0;    // extreme spread, highest less lowest
};
MvSummary mv_summary(const ShotString& s);

// The muzzle velocity a shot is flown with: its own, or for a shot without one the mean of the
// string's shots in use; nothing where no shot has one.
std::optional<float> muzzle_velocity_of(const ShotString& s, const StringShot& shot);

// Whether any shot has a measurement or a track besides its muzzle velocity.
bool has_downrange_data(const ShotString& s);

// The marks that follow from the values themselves, added where they are not already present:
// a measured velocity faster than the shot's muzzle velocity; a track sample faster than it by
// more than 2 %; a shot without a muzzle velocity where others have one. Readers call it last.
void mark_implausible(ShotString& s);

}  // namespace velora

namespace velora {

// The string as today's fit takes it, until each shot is flown from its own muzzle velocity: the
// used measurements of the used shots, each one shot of the fit (a shot without a used measurement
// gives its used track samples as velocities instead), all flown with the mean muzzle velocity of
// the used shots that have one.
struct FitShotsOfString {
    std::vector<Shot> shots;
    std::vector<std::string> names;  // "shot 0001 V10", one per shot
    std::optional<float> mean_mv;    // ft/s; nothing when no used shot has a muzzle velocity
    int mv_shots = 0;
};
FitShotsOfString fit_shots_of(const ShotString& s);

}  // namespace velora
