#include "theme/colour_rules.h"

#include <algorithm>
#include <cmath>

namespace velora {

namespace {

int clamp_channel(int v) { return std::clamp(v, 0, 255); }

// Check boxes, option buttons, frames, combo boxes, track bars and panels take the button face
// and button text where the system's own colours are asked for; other kinds keep the system's.
bool takes_button_colours(ControlKind kind) {
    switch (kind) {
        case ControlKind::Checkbox:
        case ControlKind::Option:
        case ControlKind::Frame:
        case ControlKind::Combobox:
        case ControlKind::TrackBar:
        case ControlKind::Panel: return true;
        default: return false;
    }
}

Colour contrasting_text(Colour back) { return is_dark(back) ? White : Black; }

}  // namespace

const char* control_kind_name(ControlKind kind) {
    switch (kind) {
        case ControlKind::Button: return "button";
        case ControlKind::String: return "string";
        case ControlKind::Text: return "text";
        case ControlKind::Checkbox: return "checkbox";
        case ControlKind::Option: return "option";
        case ControlKind::ListView: return "listview";
        case ControlKind::Frame: return "frame";
        case ControlKind::Combobox: return "combobox";
        case ControlKind::Image: return "image";
        case ControlKind::Hyperlink: return "hyperlink";
        case ControlKind::Container: return "container";
        case ControlKind::ListIcon: return "listicon";
        case ControlKind::IpAddress: return "ipaddress";
        case ControlKind::ProgressBar: return "progressbar";
        case ControlKind::ScrollBar: return "scrollbar";
        case ControlKind::ScrollArea: return "scrollarea";
        case ControlKind::TrackBar: return "trackbar";
        case ControlKind::Web: return "web";
        case ControlKind::ButtonImage: return "buttonimage";
        case ControlKind::Calendar: return "calendar";
        case ControlKind::Date: return "date";
        case ControlKind::Editor: return "editor";
        case ControlKind::ExplorerList: return "explorerlist";
        case ControlKind::ExplorerTree: return "explorertree";
        case ControlKind::ExplorerCombo: return "explorercombo";
        case ControlKind::Spin: return "spin";
        case ControlKind::Tree: return "tree";
        case ControlKind::Panel: return "panel";
        case ControlKind::Splitter: return "splitter";
        case ControlKind::Mdi: return "mdi";
        case ControlKind::Canvas: return "canvas";
        case ControlKind::OpenGl: return "opengl";
    }
    return "";
}

bool themed_with_its_window(ControlKind kind) {
    switch (kind) {
        case ControlKind::Button:
        case ControlKind::ButtonImage:
        case ControlKind::Image:
        case ControlKind::IpAddress:
        case ControlKind::Web:
        case ControlKind::ExplorerCombo:
        case ControlKind::Mdi:
        case ControlKind::OpenGl: return false;
        default: return control_kind_name(kind)[0] != '\0';
    }
}

bool is_container_kind(ControlKind kind) {
    return kind == ControlKind::Container || kind == ControlKind::ScrollArea || kind == ControlKind::Panel ||
           kind == ControlKind::Splitter;
}

bool is_dark(Colour c) { return 0.299 * red_of(c) + 0.587 * green_of(c) + 0.114 * blue_of(c) < 128.0; }

Colour shift_colour(Colour c, int n) {
    return rgb(clamp_channel(red_of(c) + n), clamp_channel(green_of(c) + n), clamp_channel(blue_of(c) + n));
}

Colour shift_away(Colour c, int n) { return shift_colour(c, is_dark(c) ? n : -n); }

Colour blend_colour(Colour a, int p, Colour b) {
    const auto mix = [p](int x, int y) { return std::min(255, y * p / 100 + x * (100 - p) / 100); };
    return rgb(mix(red_of(a), red_of(b)), mix(green_of(a), green_of(b)), mix(blue_of(a), blue_of(b)));
}

Colour disabled_text_colour(Colour text) { return is_dark(text) ? rgb(144, 144, 144) : rgb(112, 112, 112); }

Colour passed_on_background(Colour parent_back, const SystemColours& sys) {
    return parent_back < 0 ? sys.button_face : parent_back;
}

ControlColours control_colours(ControlKind kind, Colour back, Colour inherited, Colour front,
                               const SystemColours& sys) {
    const bool button_colours = takes_button_colours(kind);
    ControlColours c;
    if (back == AutomaticColour)
        c.back = inherited;
    else if (back == DefaultColour)
        c.back = button_colours ? sys.button_face : DefaultColour;
    else
        c.back = back;

    if (front == AutomaticColour) {
        if (back == DefaultColour && !button_colours)
            c.front = DefaultColour;
        else
            c.front = contrasting_text(c.back);
    } else if (front == DefaultColour) {
        c.front = button_colours ? sys.button_text : DefaultColour;
    } else {
        c.front = front;
    }

    if (kind == ControlKind::ProgressBar) {
        if (back == AutomaticColour) c.back = shift_away(c.back, 40);
        if (front == AutomaticColour || front == DefaultColour)
            c.front = back == DefaultColour ? DefaultColour : shift_away(c.back, 100);
    }

    c.fill = c.back;
    if (c.back >= 0) {
        if (kind == ControlKind::String || kind == ControlKind::Spin) c.fill = shift_away(c.back, 10);
        if (kind == ControlKind::Editor) c.fill = shift_away(c.back, 20);
    }
    return c;
}

Colour selected_tab_colour(Colour b) { return b; }

Colour unselected_tab_colour(Colour b) { return blend_colour(b, 40, shift_away(b, 80)); }

Colour list_header_colour(Colour back) { return shift_away(back, 40); }

namespace {

double relative_luminance(Colour c) {
    const auto linear = [](int channel) {
        const double v = channel / 255.0;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(red_of(c)) + 0.7152 * linear(green_of(c)) + 0.0722 * linear(blue_of(c));
}

}  // namespace

double contrast_ratio(Colour a, Colour b) {
    const double la = relative_luminance(a), lb = relative_luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Colour legible_against(Colour c, Colour back, Colour toward, double ratio) {
    for (int p = 0; p <= 100; p += 10) {
        const Colour x = blend_colour(c, p, toward);
        if (contrast_ratio(x, back) >= ratio) return x;
    }
    return toward;
}

Colour focus_mark_colour(Colour back, Colour fill, Colour text, Colour highlight) {
    for (int p = 0; p <= 100; p += 10) {
        const Colour x = blend_colour(highlight, p, text);
        if (std::min(contrast_ratio(x, back), contrast_ratio(x, fill)) >= MarkContrast + 0.5) return x;
    }
    return text;
}

MarkColours mark_colours(Colour back, Colour text, Colour highlight) {
    MarkColours m;
    m.inside = shift_away(back, 10);
    // Half-way between the background and the text, and never below the least contrast against
    // either the background or the box's inside.
    const Colour against = contrast_ratio(m.inside, text) < contrast_ratio(back, text) ? m.inside : back;
    m.ring = legible_against(blend_colour(back, 50, text), against, text, MarkContrast + 0.5);
    m.tick = text;
    m.hover = text;
    m.focus = legible_against(highlight, against, text, MarkContrast + 0.5);
    m.disabled = disabled_text_colour(text);
    return m;
}

}  // namespace velora
