#pragma once
// Names that look alike compare alike: "ü" may be typed as one character
// (U+00FC) or as "u" and a combining diaeresis (U+0308).

#include <string>
#include <string_view>

namespace pandemie::input {

// The text in Unicode's canonical composed form (NFC) as far as Latin letters
// with the combining marks U+0300..U+036F go: every precomposed letter of
// U+00C0..U+024F and U+1E00..U+1EFF, in either spelling, comes out as the one
// character. Other characters and bytes of none stay as they are.
[[nodiscard]] std::string composedText(std::string_view text);

// Said after "scenario "NAME" is named twice" when the two names differ only
// in their spelling; "" when they are the same bytes.
[[nodiscard]] std::string spellingNote(std::string_view first, std::string_view again);

}  // namespace pandemie::input
