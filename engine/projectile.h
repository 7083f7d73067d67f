// The projectile itself: its weight, calibre and length, and what follows from them — the
// sectional density, the form factor against a drag law, the kinetic energy and the momentum.
//
// A BC is the sectional density divided by a form factor: i = SD / BC tells how the projectile's
// drag compares with the law's reference shape (1: the same; below 1: less drag). Energy and
// momentum are worked out in double from the exact definitions of the units: a grain is
// 64.79891 mg, a foot 0.3048 m, a foot-pound-force 1.3558179483314004 J.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velora {

struct Projectile {
    std::optional<double> weight_gr;   // grains
    std::optional<double> calibre_in;  // inches (the diameter)
    std::optional<double> length_in;   // inches
    // Where the values came from, for the user: "typed", "as set on the device", "from the drag table".
    std::string source;

    bool has_sd() const { return weight_gr && calibre_in; }
};

// The limits a value must lie within to be taken: anything outside them is a typing error (a
// calibre of 5.5 meant in millimetres, a weight in milligrams) or no projectile at all.
inline constexpr double LeastWeightGr = 0.5, MostWeightGr = 1500.0;  // 32 mg to 97 g
inline constexpr double LeastCalibreIn = 0.1, MostCalibreIn = 1.0;   // 2.54 to 25.4 mm
inline constexpr double LeastLengthIn = 0.05, MostLengthIn = 4.0;    // 1.27 to 101.6 mm

inline constexpr double GrainsPerGram = 15.4323583529;  // 1 / 0.06479891
inline constexpr double MmPerInch = 25.4;
inline constexpr double JoulesPerFootPound = 1.3558179483314004;

// Sectional density in lb/in²: the weight in pounds over the square of the calibre in inches.
double sectional_density(double weight_gr, double calibre_in);
std::optional<double> sectional_density(const Projectile& p);

// i = SD / BC: the drag relative to the law the BC refers to.
double form_factor(double sectional_density, double bc);

// Kinetic energy at `velocity_fps`, in joules and in foot-pounds; momentum in newton-seconds.
double kinetic_energy_j(double weight_gr, double velocity_fps);
double kinetic_energy_ftlbf(double weight_gr, double velocity_fps);
double momentum_ns(double weight_gr, double velocity_fps);

// The energy at which a shooter's limit lies (12 ft·lbf in the UK, 7.5 J in Germany), or none.
struct EnergyLimit {
    double joules = 0;
    std::string text;  // as the user chose it: "12 ft·lbf", "7.5 J"
};

// The common limits, in the order a list offers them.
EnergyLimit uk_energy_limit();       // 12 ft·lbf = 16.27 J
EnergyLimit germany_energy_limit();  // 7.5 J

// A value typed for one of the projectile's quantities, read into its internal unit, or the
// one-line reason it is refused. The whole text must be one number, optionally followed by a
// unit: the weight in gr (the internal unit, also "grain", "grains") or g; the calibre and the
// length in in (internal) or mm; an energy in ftlbf (internal; also "ft-lbf", "ft·lbf", "fpe")
// or J. Not-a-number, infinite, negative and zero values, and values outside the limits above
// are refused ("a weight from 0.5 to 1500 gr (0.032 to 97.2 g)").
struct ProjectileValue {
    double value = 0;
    std::string error;
    bool ok() const { return error.empty(); }
};
enum class ProjectileQuantity { Weight, Calibre, Length, Energy };
ProjectileValue read_projectile_value(std::string_view text, ProjectileQuantity q);

// An energy limit as typed: "none" (or empty) for no limit, else an energy with its unit.
struct EnergyLimitRead {
    std::optional<EnergyLimit> limit;
    std::string error;
    bool ok() const { return error.empty(); }
};
EnergyLimitRead read_energy_limit(std::string_view text);

// An energy in both units, as a line of text shows it: "11.99 ft·lbf (16.26 J)".
std::string energy_text(double joules);

// Whether a muzzle energy passes a limit. Compared in the units the limit was chosen in, to the
// hundredth shown, so that a string shown at the limit is not called over it.
bool passes_energy_limit(double joules, const EnergyLimit& limit);

// The three values of a projectile with their units, for a line of text: "8.44 gr (0.547 g),
// calibre 0.177 in (4.50 mm), length 0.240 in (6.10 mm)"; the missing ones left out.
std::string projectile_text(const Projectile& p);

}  // namespace velora
