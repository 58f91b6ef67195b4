#include "platform/window_caption.h"

#include <QFontDatabase>
#include <QFontMetrics>

namespace {
// The icon and three buttons, each about a line high with its padding, and the
// margins at both ends of the bar.
constexpr int kTitleBarButtons = 4;
constexpr int kButtonPadding = 10;
constexpr int kBarMargins = 16;
} // namespace

int CaptionWidth(const QString& caption) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    font.setBold(true);
    const QFontMetrics metrics(font);
    return metrics.horizontalAdvance(caption) + kTitleBarButtons * (metrics.height() + kButtonPadding) +
           kBarMargins;
}
