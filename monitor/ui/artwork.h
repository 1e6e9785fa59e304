// The application's pictures, drawn in code in one flat style: the navigation strip with
// the current page lit, the backgrounds of the About and General Setting pages, the
// application icon, the frames of the turning fan and the loudspeaker of the sound settings.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace qorv::artwork {

enum Page { kAboutPage = 0, kMonitoringPage = 1, kSettingsPage = 2, kBoardViewPage = 3 };

// The strip (ui::stripSize()) with its five buttons at ui::navigationButton(i), the button
// of page lit.
QPixmap navigationStrip(int page);

// 0: the About page's background, 1: the General Setting page's (ui::pageSize()).
QPixmap screenBackground(int index);

QIcon applicationIcon();

// Six frames of a fan turning, frame 0..5, each a square of the given side.
QPixmap fanFrame(int frame, int side = 96);
inline constexpr int kFanFrames = 6;

// The small loudspeaker of the General Setting page's sound frame, a square of the given side.
QPixmap soundPicture(int side = 48);

}  // namespace qorv::artwork
