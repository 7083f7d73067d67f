"""The flight arithmetic of the calculator, worked step by step in 32-bit floats, in plain Python.

This is a second, independent calculation of the numbers the program computes: the air, the drag
lookup, the trajectory with its zeros and apex, its lookups, the BC solver's flight model and
bisection, the range limit and a range-table cell. It is written from the formulas of the flight
model, not from the C++ code, and shares nothing with it but the drag table's data file.

Python floats are doubles. A 32-bit operation is emulated by doing it in double and rounding the
result to the nearest single: for +, -, *, / and the square root of singles that is exactly the
single-precision result (a double carries more than twice the bits of a single plus two). Values
the formulas hold in double stay Python floats.
"""

import bisect
import csv
import math
import os
import struct
from fractions import Fraction

_single = struct.Struct("<f")
_bits = struct.Struct("<I")


def f32(x):
    """The nearest single (ties to even) of a double."""
    return _single.unpack(_single.pack(x))[0]


def single_bits(x):
    return _bits.unpack(_single.pack(x))[0]


def _single_from_bits(b):
    return _single.unpack(_bits.pack(b))[0]


def next_single_up(x):
    b = single_bits(x)
    if x >= 0:
        return _single_from_bits(b + 1) if x != 0 else _single_from_bits(1)
    return _single_from_bits(b - 1) if b != 0x80000000 else _single_from_bits(1)


def next_single_down(x):
    return -next_single_up(-x)


def F(text):
    """The single nearest to a decimal text, rounded once from the exact decimal (as a compiler
    reads a float literal), not through a double."""
    exact = Fraction(text)
    guess = f32(float(exact))
    candidates = [guess, next_single_up(guess), next_single_down(guess)]
    candidates.sort(key=lambda v: abs(Fraction(v) - exact))
    assert abs(Fraction(candidates[0]) - exact) != abs(Fraction(candidates[1]) - exact), text
    return candidates[0]


def add(a, b):
    return f32(a + b)


def sub(a, b):
    return f32(a - b)


def mul(a, b):
    return f32(a * b)


def div(a, b):
    return f32(a / b)


def sqrt32(a):
    return f32(math.sqrt(a))


def nearest_whole(x):
    """Rounded to the nearest whole number, ties to even (Python's round does exactly that)."""
    return float(round(x))


# ---------------------------------------------------------------------------------------------
# Drag table and lookup

_TABLE_FILE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources", "dragtable.csv")


def _read_table():
    with open(_TABLE_FILE, newline="") as f:
        rows = list(csv.reader(f))[1:]
    assert len(rows) == 169
    return [[F(cell) for cell in row] for row in rows]


TABLE = _read_table()  # 169 rows: Mach, then the ten laws in law order
MACHS = [row[0] for row in TABLE]


def drag_coefficient(mach, law):
    """Linear in Mach between rows; the row pair is the first one whose upper Mach is at least
    `mach` (row 0 and 1 for Mach 0)."""
    assert mach <= MACHS[-1], mach
    i = bisect.bisect_left(MACHS, mach, 1, len(MACHS) - 1) - 1
    while mach > MACHS[i + 1]:  # the scan's own stopping rule, checked
        i += 1
    assert i == 0 or not (mach <= MACHS[i])
    c0, c1 = TABLE[i][law + 1], TABLE[i + 1][law + 1]
    m0, m1 = TABLE[i][0], TABLE[i + 1][0]
    slope = f32(c1 - c0) / f32(m1 - m0)
    return abs(c0 + slope * (mach - m0))


# ---------------------------------------------------------------------------------------------
# Air

KG_M3_TO_LBM_FT3 = 0.06242796073727268


def saturation_pressure(tmp):
    """Over water, in whole pascals (rounded to the nearest)."""
    return int(round(6.1078 * 10.0 ** (7.5 * tmp / (tmp + 237.3)) * 100.0))


def air_density(tmp, pres, humid):
    pa = pres / 0.00029529983071
    es = saturation_pressure(tmp)
    pv = (humid / 100.0) * es
    pd = pa - pv
    rho = pd / (287.058 * (tmp + 273.15)) + pv / (461.495 * (tmp + 273.15))
    return rho * KG_M3_TO_LBM_FT3


SOUND_COEFFICIENT = F("49.0223")


def speed_of_sound(tmp):
    return f32(math.sqrt((tmp + 273.15) * 1.8) * SOUND_COEFFICIENT)


# ---------------------------------------------------------------------------------------------
# Trajectory

STEP = F("0.041666668")
assert STEP == f32(1.0 / 24.0)
GRAVITY = F("-32.17405")
DRAG_FACTOR = F("0.0027270769")
assert DRAG_FACTOR == f32(math.pi / 1152.0)
LIFT = F("0.0001")
MOST_SAMPLES = 2001


def crossing_value(x1, y1, x2, y2, mark):
    r = nearest_whole(div(sub(y2, y1), sub(x2, x1)))
    return add(y1, mul(r, mark))


class Trajectory:
    pass


def sample(a, last, r):
    """poi_at, velocity_at, time_at: double arithmetic, whole-yard test at 1/1000."""
    if last <= 0:
        return 0.0
    if r + 1.0 >= last:
        r = float(last - 1)
    i = int(r)
    if math.trunc(r * 1000.0) == i * 1000.0:
        return a[i]
    return a[i] + (a[i + 1] - a[i]) * (r - i)


def drop_at(tr, r):
    """Single arithmetic, whole-yard test at 1/100."""
    last = tr.LastSample
    if last <= 0:
        return 0.0
    if add(r, 1.0) >= float(last):
        r = float(last - 1)
    i = int(r)
    if math.trunc(mul(r, 100.0)) == mul(float(i), 100.0):
        return tr.drop[i]
    return add(tr.drop[i], mul(sub(tr.drop[i + 1], tr.drop[i]), sub(r, float(i))))


def poi_at(tr, r):
    return sample(tr.poi, tr.LastSample, r)


def velocity_at(tr, r):
    return sample(tr.velocity, tr.LastSample, r)


def time_at(tr, r):
    return sample(tr.time, tr.LastSample, r)


def compute_trajectory(MV, BC, law, TMP, PRES, HUMID, SH, ZR, lift=LIFT):
    c = speed_of_sound(TMP)
    rho = f32(air_density(TMP, PRES, HUMID))
    drop, velocity, time, poi = [0.0] * 2002, [0.0] * 2002, [0.0] * 2002, [0.0] * 2002

    vx, vy, x, y, t = MV, 0.0, 0.0, 0.0, 0.0
    dt = div(STEP, MV)
    i = 0
    h0 = 0.0
    x_prev = y_prev = t_prev = 0.0
    v_prev = MV
    time[0] = 0.0
    while True:
        # Velocity: Euler with the drag at the start of the step.
        vx_old, vy_old = vx, vy
        v = sqrt32(add(mul(vx, vx), mul(vy, vy)))
        cd = drag_coefficient(div(v, c), law)
        k = f32(mul(v, v) * cd / BC * rho * DRAG_FACTOR)
        vx = add(vx, mul(dt, div(mul(-k, vx), v)))
        vy = add(add(vy, mul(dt, div(mul(-k, vy), v))), mul(dt, GRAVITY))
        # One sample when the step has passed a whole yard.
        x3 = div(x, 3.0)
        if float(i) < x3:
            drop[i] = mul(div(add(y, y_prev), 2.0), 12.0)
            velocity[i] = MV if i == 0 else div(add(v, v_prev), 2.0)
            time[i] = crossing_value(x_prev, t_prev, x, t, x3)
            i += 1
        if h0 == 0.0 and ZR < x3:
            h0 = mul(crossing_value(x_prev, y_prev, x, y, ZR), 12.0)
        x_prev, y_prev, v_prev, t_prev = x, y, v, t
        # Position: trapezoid rule.
        x = add(x, div(mul(dt, add(vx, vx_old)), 2.0))
        y = add(y, div(mul(dt, add(vy, vy_old)), 2.0))
        if abs(vx) <= abs(0.5 * vy) or i >= MOST_SAMPLES:
            break
        # Time: the coming step's time from the new horizontal speed.
        dt = div(STEP, vx)
        t = add(t, dt)
    last = i - 1

    tr = Trajectory()
    tr.drop, tr.velocity, tr.time, tr.poi, tr.LastSample, tr.h0 = drop, velocity, time, poi, last, h0
    tr.ApexPOI = 0.0
    for j in range(last + 1):
        poi[j] = add(sub(drop[j], SH), div(mul(sub(SH, h0), float(j)), ZR))
        if j >= 1 and poi[j] > poi[j - 1]:
            tr.ApexPOI = poi[j]
    tr.lifts = 0
    while tr.ApexPOI <= 0.0:
        for j in range(last + 1):
            poi[j] = add(poi[j], lift)
        tr.lifts += 1
        peak = next((j for j in range(last) if poi[j + 1] < poi[j]), None)
        assert peak is not None, "no peak to lift"
        tr.ApexPOI = poi[peak]

    tr.ApexRange = tr.NearZero = tr.FarZero = 0.0
    r = 1
    while r < last:
        if poi_at(tr, r - 1) > poi_at(tr, r):
            tr.ApexRange = float(r - 1)
            break
        r += 1
    r = float(tr.ApexRange)
    while r < last:
        if poi_at(tr, r) < 0.0 and poi_at(tr, r + 1.0) <= poi_at(tr, r):
            tr.FarZero = f32(r)
            break
        r += 0.1
    r = float(tr.ApexRange)
    while r > 0.0:
        if poi_at(tr, r) <= 0.0:
            tr.NearZero = f32(r + 1.0)
            break
        r -= 0.1
    if tr.NearZero == 0.0:
        tr.NearZero = tr.FarZero = ZR
    tr.ZeroIsFar = 1 if tr.ApexRange <= ZR else 0
    if tr.ZeroIsFar:
        tr.FarZero = ZR
    else:
        tr.NearZero = ZR
    if tr.FarZero < tr.NearZero:
        tr.FarZero, tr.NearZero = tr.NearZero, tr.FarZero
    return tr


# ---------------------------------------------------------------------------------------------
# The BC solver's own flight model

DELTA_POI, DELTA_T, DELTA_V, DELTA_D = 0, 1, 2, 3
SOLVER_GRAVITY = F("-32.174049")
SOLVER_DRAG_FACTOR = F("0.0027270768769085407")
NOT_FOUND = F("9999.9")


def predict_measurement(mv, bc, zr, sh, R, law, method, TMP, PRES, HUMID, step_speed="horizontal"):
    """`step_speed` "speed" flies the time steps from the speed instead of the horizontal speed:
    a fault the golden values must expose."""
    c = speed_of_sound(TMP)
    rho = f32(air_density(TMP, PRES, HUMID))
    x = y = vy = t = 0.0
    x0 = y0 = 0.0
    vx = mv
    dt = div(STEP, mv)
    yZ = 0.0
    yT = NOT_FOUND
    while True:
        vx0, vy0 = vx, vy
        v = sqrt32(add(mul(vx, vx), mul(vy, vy)))
        cd = f32(drag_coefficient(div(v, c), law))
        a = mul(mul(div(mul(cd, mul(v, v)), bc), rho), SOLVER_DRAG_FACTOR)
        vx = sub(vx, div(mul(mul(dt, a), vx0), v))
        vy = add(sub(vy, div(mul(mul(dt, a), vy0), v)), mul(dt, SOLVER_GRAVITY))
        if zr < div(x, 3.0) and yZ == 0.0:
            yZ = mul(12.0, crossing_value(x0, y0, x, y, zr))
        if div(x, 3.0) >= add(R, 1.0):
            break
        x0, y0 = x, y
        x = add(x, div(mul(dt, add(vx, vx0)), 2.0))
        y = add(y, div(mul(dt, add(vy, vy0)), 2.0))
        if R < div(x, 3.0) and yT == NOT_FOUND:
            yT = mul(12.0, crossing_value(x0, y0, x, y, R))
            break
        dt = div(STEP, vx if step_speed == "horizontal" else v)
        t = add(t, dt)
    if method == DELTA_POI:
        return add(sub(yT, sh), div(mul(sub(sh, yZ), R), zr))
    if method == DELTA_T:
        return t
    if method == DELTA_V:
        return v
    return yT


def bisect_bc(measured, method, predict):
    hi, lo = F("1.25"), F("0.003")
    mid = div(add(hi, lo), 2.0)
    width = F("0.00005")
    while abs(sub(hi, lo)) > width:
        p = predict(mid)
        if method == DELTA_T:
            if measured > p:
                hi = mid
            else:
                lo = mid
        else:
            if measured < p:
                hi = mid
            else:
                lo = mid
        mid = div(add(hi, lo), 2.0)
        if mid > F("1.2"):
            return -1.0
        if mid < F("0.004"):
            return 0.0
    return mid


def max_target_range(MV, BC, law, TMP, PRES, HUMID):
    """Half the range over which a level shot falls 30 ft under a round 32 ft/s², at most 1901 yd."""
    c = speed_of_sound(TMP)
    rho = air_density(TMP, PRES, HUMID)  # kept in double here
    dt = div(0.5, MV)
    x = y = vy = 0.0
    vx = MV
    while True:
        vx0, vy0 = vx, vy
        v = f32(add(mul(vx, vx), mul(vy, vy)) ** 0.5)
        a = f32(drag_coefficient(div(v, c), law) * mul(v, v) / BC * rho * SOLVER_DRAG_FACTOR)
        vx = sub(vx, div(mul(mul(dt, a), vx0), v))
        vy = sub(sub(vy, div(mul(mul(dt, a), vy0), v)), mul(32.0, dt))
        x = add(x, div(mul(dt, add(vx, vx0)), 2.0))
        y = add(y, div(mul(dt, add(vy, vy0)), 2.0))
        if y <= -30.0:
            break
    L = div(x, 3.0)
    if L > 1901.0:
        L = 1901.0
    return div(L, 2.0)
