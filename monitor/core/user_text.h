// The texts a user reads are the English sources of their translations. Code without Qt
// marks its fixed texts with QT_TRANSLATE_NOOP in the one scope "Qorvmon", so that lupdate
// puts them in the translation template; the window translates such a text where it shows
// it. Texts put together at run time (a sensor's name in a sentence, a file's problems) are
// shown as composed.
#pragma once

#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x  // as Qt defines it, so either may come first
#endif

namespace qorv {

inline constexpr const char* kTextScope = "Qorvmon";

}  // namespace qorv
