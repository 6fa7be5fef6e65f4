// The one rule by which names are compared without regard to letter case, as Windows compares
// file names: paths on disk, entry names of archives, the archive packer's order and the
// whole-line look-ups of scripts all fold letters here and nowhere else.
#pragma once

#include <string>
#include <string_view>

namespace tess {

// Upper case of a code point as Windows folds file names: ASCII, Latin-1 (ÿ becomes Ÿ) and
// Latin Extended-A, which holds the letters of Windows-1252 beyond Latin-1 (š Š, œ Œ, ž Ž).
// Everything else is its own upper case.
char32_t upperCaseLetter(char32_t codePoint);

// A UTF-8 name with every letter folded: two names are the same name ignoring letter case
// exactly when their keys are equal. Bytes that are not valid UTF-8 stay as they are.
std::string caseFoldedKey(std::string_view utf8);

// Case-insensitive comparison of two UTF-8 names by the rule above.
bool sameNameIgnoringCase(std::string_view a, std::string_view b);

// The same rule on one byte of the game's code page (Windows-1252): the upper-case byte, or
// the byte itself when its upper case has no place in the code page.
unsigned char upperCaseCp1252(unsigned char byte);

} // namespace tess
