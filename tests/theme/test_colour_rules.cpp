#include <gtest/gtest.h>

#include "theme/colour_rules.h"

#include <utility>

namespace velora {
namespace {

const SystemColours sys;
const Colour Dark = rgb(58, 58, 58);
const Colour Light = rgb(240, 240, 240);

TEST(ColourRules, BrightnessShiftAndBlend) {
    EXPECT_TRUE(is_dark(Dark));
    EXPECT_FALSE(is_dark(Light));
    EXPECT_TRUE(is_dark(rgb(127, 127, 127)));
    EXPECT_FALSE(is_dark(rgb(129, 129, 129)));
    // Green weighs most: pure green is light, pure blue dark.
    EXPECT_FALSE(is_dark(rgb(0, 255, 0)));
    EXPECT_TRUE(is_dark(rgb(0, 0, 255)));
    EXPECT_EQ(shift_colour(rgb(250, 10, 100), 10), rgb(255, 20, 110));
    EXPECT_EQ(shift_colour(rgb(5, 200, 100), -10), rgb(0, 190, 90));
    EXPECT_EQ(shift_away(Dark, 40), rgb(98, 98, 98));
    EXPECT_EQ(shift_away(Light, 40), rgb(200, 200, 200));
    EXPECT_EQ(blend_colour(rgb(100, 0, 255), 40, rgb(200, 255, 255)), rgb(140, 102, 255));
    EXPECT_EQ(blend_colour(rgb(255, 255, 255), 50, rgb(255, 255, 255)), rgb(254, 254, 254));
}

TEST(ColourRules, DisabledText) {
    EXPECT_EQ(disabled_text_colour(White), rgb(112, 112, 112));
    EXPECT_EQ(disabled_text_colour(Black), rgb(144, 144, 144));
}

TEST(ColourRules, AutomaticTextContrastsWithTheBackground) {
    EXPECT_EQ(control_colours(ControlKind::Text, Dark, Dark, AutomaticColour, sys).front, White);
    EXPECT_EQ(control_colours(ControlKind::Text, AutomaticColour, Light, AutomaticColour, sys).front, Black);
    const ControlColours inherited =
        control_colours(ControlKind::Checkbox, AutomaticColour, Dark, AutomaticColour, sys);
    EXPECT_EQ(inherited.back, Dark);
    EXPECT_EQ(inherited.front, White);
    // An own text colour stands.
    EXPECT_EQ(control_colours(ControlKind::Text, AutomaticColour, Dark, rgb(255, 127, 0), sys).front, rgb(255, 127, 0));
}

TEST(ColourRules, SystemColoursAskedFor) {
    // Only the six button-like kinds take the button face and text; the rest keep the system's.
    const ControlColours box = control_colours(ControlKind::Frame, DefaultColour, Dark, DefaultColour, sys);
    EXPECT_EQ(box.back, sys.button_face);
    EXPECT_EQ(box.front, sys.button_text);
    const ControlColours text = control_colours(ControlKind::Text, DefaultColour, Dark, AutomaticColour, sys);
    EXPECT_EQ(text.back, DefaultColour);
    EXPECT_EQ(text.front, DefaultColour);
    EXPECT_EQ(control_colours(ControlKind::Option, DefaultColour, Dark, AutomaticColour, sys).front, Black);
    EXPECT_EQ(passed_on_background(DefaultColour, sys), sys.button_face);
}

TEST(ColourRules, ProgressBarsAndFields) {
    // Within a whole window a progress bar is asked for its parent's background shifted by 40.
    const Colour s = shift_away(Dark, 40);
    const ControlColours bar = control_colours(ControlKind::ProgressBar, s, s, AutomaticColour, sys);
    EXPECT_EQ(bar.back, rgb(98, 98, 98));
    EXPECT_EQ(bar.front, rgb(198, 198, 198));
    const ControlColours own = control_colours(ControlKind::ProgressBar, AutomaticColour, Light, DefaultColour, sys);
    EXPECT_EQ(own.back, rgb(200, 200, 200));
    EXPECT_EQ(own.front, rgb(100, 100, 100));
    EXPECT_EQ(control_colours(ControlKind::ProgressBar, DefaultColour, Dark, AutomaticColour, sys).front,
              DefaultColour);
    // Text fields and editors are set off from their background.
    EXPECT_EQ(control_colours(ControlKind::String, rgb(48, 48, 48), Dark, White, sys).fill, rgb(58, 58, 58));
    EXPECT_EQ(control_colours(ControlKind::Editor, Light, Dark, AutomaticColour, sys).fill, rgb(220, 220, 220));
    EXPECT_EQ(control_colours(ControlKind::Text, Dark, Dark, AutomaticColour, sys).fill, Dark);
}

TEST(ColourRules, KindsThemedWithTheirWindow) {
    EXPECT_FALSE(themed_with_its_window(ControlKind::Button));
    EXPECT_FALSE(themed_with_its_window(ControlKind::ButtonImage));
    EXPECT_FALSE(themed_with_its_window(ControlKind::Image));
    EXPECT_FALSE(themed_with_its_window(ControlKind::Web));
    for (ControlKind k : {ControlKind::Text, ControlKind::String, ControlKind::Checkbox, ControlKind::Combobox,
                          ControlKind::Panel, ControlKind::ListIcon, ControlKind::ProgressBar, ControlKind::Canvas})
        EXPECT_TRUE(themed_with_its_window(k)) << control_kind_name(k);
    EXPECT_FALSE(themed_with_its_window(static_cast<ControlKind>(31)));
    EXPECT_STREQ(control_kind_name(ControlKind::ExplorerCombo), "explorercombo");
}

TEST(ColourRules, TabsAndHeaders) {
    EXPECT_EQ(selected_tab_colour(Dark), Dark);
    // 60 % of (58) and 40 % of (138): 34 + 55.
    EXPECT_EQ(unselected_tab_colour(Dark), rgb(89, 89, 89));
    EXPECT_EQ(list_header_colour(Dark), rgb(98, 98, 98));
}

TEST(ColourRules, ContrastOfColours) {
    EXPECT_NEAR(contrast_ratio(White, Black), 21.0, 1e-9);
    EXPECT_NEAR(contrast_ratio(Black, White), 21.0, 1e-9);
    EXPECT_NEAR(contrast_ratio(Dark, Dark), 1.0, 1e-9);
    // Fusion's ring on the dark window, a shade darker than it: practically invisible.
    EXPECT_LT(contrast_ratio(rgb(41, 41, 41), Dark), 1.3);
    // Mid grey (119) is the darkest grey that reads 4.5 : 1 on white.
    EXPECT_GT(contrast_ratio(rgb(118, 118, 118), White), 4.5);
    EXPECT_LT(contrast_ratio(rgb(120, 120, 120), White), 4.5);
}

TEST(ColourRules, MarksOfCheckBoxesAndOptionButtonsStandOut) {
    const Colour highlight = rgb(0, 120, 215);
    for (const auto& [back, text] : {std::pair{Dark, White}, std::pair{rgb(48, 48, 48), White},
                                     std::pair{rgb(240, 240, 240), Black}, std::pair{rgb(0, 0, 0), rgb(255, 127, 0)}}) {
        const MarkColours m = mark_colours(back, text, highlight);
        for (Colour mark : {m.ring, m.hover, m.focus}) {
            EXPECT_GE(contrast_ratio(mark, back), MarkContrast) << std::hex << back << " " << mark;
            EXPECT_GE(contrast_ratio(mark, m.inside), MarkContrast) << std::hex << back << " " << mark;
        }
        EXPECT_GE(contrast_ratio(m.tick, m.inside), MarkContrast) << std::hex << back;
        // Hover and focus are told from the plain ring.
        EXPECT_NE(m.hover, m.ring);
        EXPECT_NE(m.focus, m.ring);
    }
    // The dark window: the inside a shade lighter, the focus ring a lighter blue.
    const MarkColours dark = mark_colours(Dark, White, highlight);
    EXPECT_EQ(dark.inside, rgb(68, 68, 68));
    EXPECT_GT(blue_of(dark.focus), red_of(dark.focus));
    EXPECT_EQ(dark.disabled, rgb(112, 112, 112));
}

TEST(ColourRules, LegibleColourMovesTowardTheOtherOnlyAsFarAsNeeded) {
    // Already legible: unchanged.
    EXPECT_EQ(legible_against(White, Dark, White, 3.0), White);
    EXPECT_EQ(legible_against(rgb(200, 200, 200), Dark, White, 3.0), rgb(200, 200, 200));
    // Blue on dark grey is lifted toward white by tenths until it reads.
    const Colour lifted = legible_against(rgb(0, 120, 215), Dark, White, 3.5);
    EXPECT_LT(contrast_ratio(rgb(0, 120, 215), Dark), 3.5);
    EXPECT_GE(contrast_ratio(lifted, Dark), 3.5);
    EXPECT_NE(lifted, White);
    EXPECT_LT(red_of(lifted), blue_of(lifted));
    // Out of reach: the colour moved toward is all there is.
    EXPECT_EQ(legible_against(Dark, Dark, rgb(70, 70, 70), 3.0), rgb(70, 70, 70));
}

TEST(ColourRules, FocusRingStandsOutFromTheBackgroundAndTheInside) {
    const Colour highlight = rgb(48, 140, 198);
    struct Look {
        Colour back, fill, text;
    };
    // The light look, the dark look's fields and lists, and a white inside on black.
    for (const Look& look : {Look{rgb(239, 239, 239), White, Black}, Look{rgb(58, 58, 58), rgb(68, 68, 68), White},
                             Look{rgb(58, 58, 58), rgb(58, 58, 58), White}, Look{Black, White, Black}}) {
        const Colour ring = focus_mark_colour(look.back, look.fill, look.text, highlight);
        EXPECT_NE(ring, look.text) << "a blend of the highlight serves";
        EXPECT_GE(contrast_ratio(ring, look.back), MarkContrast + 0.5) << std::hex << look.back;
        EXPECT_GE(contrast_ratio(ring, look.fill), MarkContrast + 0.5) << std::hex << look.fill;
    }
    // Only as far toward the text as needed: a highlight legible as it is stays.
    EXPECT_EQ(focus_mark_colour(White, White, Black, rgb(0, 70, 160)), rgb(0, 70, 160));
    // Two mid greys leave no colour on the way to the text that stands out from both: the text
    // colour itself.
    EXPECT_EQ(focus_mark_colour(rgb(128, 128, 128), rgb(150, 150, 150), White, highlight), White);
}

}  // namespace
}  // namespace velora
