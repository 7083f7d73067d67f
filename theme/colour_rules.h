// The colour rules of the dark theme: which colours a control gets from the colours asked for
// and the background of its parent. Plain C++; the window code applies the results to widgets.
#pragma once

#include <cstdint>

namespace velora {

// A 24-bit colour 0xRRGGBB, or one of the three stand-ins below.
using Colour = std::int32_t;
inline constexpr Colour DefaultColour = -1;    // the system's own
inline constexpr Colour AutomaticColour = -2;  // derived from the parent
inline constexpr Colour UntouchedColour = -3;  // not themed

constexpr Colour rgb(int r, int g, int b) { return (r << 16) | (g << 8) | b; }
constexpr int red_of(Colour c) { return (c >> 16) & 0xFF; }
constexpr int green_of(Colour c) { return (c >> 8) & 0xFF; }
constexpr int blue_of(Colour c) { return c & 0xFF; }

inline constexpr Colour White = rgb(255, 255, 255);
inline constexpr Colour Black = rgb(0, 0, 0);

enum class ControlKind : int {
    Button = 1,
    String = 2,
    Text = 3,
    Checkbox = 4,
    Option = 5,
    ListView = 6,
    Frame = 7,
    Combobox = 8,
    Image = 9,
    Hyperlink = 10,
    Container = 11,
    ListIcon = 12,
    IpAddress = 13,
    ProgressBar = 14,
    ScrollBar = 15,
    ScrollArea = 16,
    TrackBar = 17,
    Web = 18,
    ButtonImage = 19,
    Calendar = 20,
    Date = 21,
    Editor = 22,
    ExplorerList = 23,
    ExplorerTree = 24,
    ExplorerCombo = 25,
    Spin = 26,
    Tree = 27,
    Panel = 28,
    Splitter = 29,
    Mdi = 30,
    Canvas = 33,
    OpenGl = 34,
};

// The name of a kind ("button", "progressbar" …); an empty text for an unknown number.
const char* control_kind_name(ControlKind kind);

// Whether a kind is themed when a whole window or container is: buttons, images, web views and
// the like keep the system look.
bool themed_with_its_window(ControlKind kind);

// Kinds that hold other controls and pass their background on.
bool is_container_kind(ControlKind kind);

// The system's own colours, as the platform reports them.
struct SystemColours {
    Colour button_face = rgb(240, 240, 240);
    Colour button_text = Black;
    Colour window = White;
    Colour highlight = rgb(0, 120, 215);
};

// Luma 0.299 R + 0.587 G + 0.114 B below 128.
bool is_dark(Colour c);

// Adds n to each channel, clamped to 0..255.
Colour shift_colour(Colour c, int n);

// shift_colour by +n when `c` is dark and by −n when it is light: away from its own brightness.
Colour shift_away(Colour c, int n);

// p % of b plus (100 − p) % of a, per channel, each part by integer division, capped at 255.
Colour blend_colour(Colour a, int p, Colour b);

// Grey text of a disabled control: (112, 112, 112) when its text is light, (144, 144, 144) when dark.
Colour disabled_text_colour(Colour text);

// The colours a control ends up with.
struct ControlColours {
    Colour back = UntouchedColour;   // effective background, or DefaultColour
    Colour front = UntouchedColour;  // effective text colour, or DefaultColour
    Colour fill = UntouchedColour;   // what its text area is painted with (string, spin and editor
                                     // fields are set off from their background)
};

// The effective colours of a control of `kind` asked for `back` and `front` (a colour,
// DefaultColour or AutomaticColour) inside a parent whose background is `inherited`.
ControlColours control_colours(ControlKind kind, Colour back, Colour inherited, Colour front, const SystemColours& sys);

// The background a parent passes on: a default one counts as the button face.
Colour passed_on_background(Colour parent_back, const SystemColours& sys);

// Tab strip of a themed panel whose background is b: the selected tab in b, the others blended.
Colour selected_tab_colour(Colour b);
Colour unselected_tab_colour(Colour b);

// Header items of themed lists.
Colour list_header_colour(Colour back);

// The contrast ratio of two colours, 1 to 21: (L1 + 0.05) / (L2 + 0.05) of their relative
// luminances, the lighter one above (sRGB channels linearised).
double contrast_ratio(Colour a, Colour b);

// The least contrast a control's marks keep against their background.
inline constexpr double MarkContrast = 3.0;

// `c` moved toward `toward` in steps of a tenth until it stands at least `ratio` : 1 against
// `back` (`toward` itself when no step gets there).
Colour legible_against(Colour c, Colour back, Colour toward, double ratio);

// The ring that shows which control has the keyboard focus, around a control whose own inside is
// `fill` on a background `back`: the highlight, moved toward the text colour until it stands at
// least MarkContrast + 0.5 : 1 against both the background and the inside (the text colour itself
// when no step gets there).
Colour focus_mark_colour(Colour back, Colour fill, Colour text, Colour highlight);

// The marks of a themed check box or option button on background `back` with text colour
// `text`: the box or ring, the box's inside, the tick or dot, the ring while the mouse is over it
// and while it has the keyboard focus (drawn from `highlight`), and the ring of a disabled one.
struct MarkColours {
    Colour ring;
    Colour inside;
    Colour tick;
    Colour hover;
    Colour focus;
    Colour disabled;
};
MarkColours mark_colours(Colour back, Colour text, Colour highlight);

}  // namespace velora
