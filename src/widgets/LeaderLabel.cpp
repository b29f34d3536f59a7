#include "widgets/LeaderLabel.h"

#include <QPainter>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOption>

namespace {
// At least this many dots stay visible after the words.
constexpr int FewestDots = 4;

bool HasLeader(const QString& text) {
    return text.trimmed().endsWith(QLatin1String(".."));
}
} // namespace

TLeaderLabel::TLeaderLabel(QWidget* parent) : QLabel(parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QString TLeaderLabel::Words() const {
    QString words = text();
    if (!HasLeader(words)) return words;
    static const QRegularExpression leader(QStringLiteral("[ .]*\\.\\.[ .]*$"));
    words.remove(leader);
    return words;
}

QSize TLeaderLabel::minimumSizeHint() const {
    if (!HasLeader(text())) return QLabel::minimumSizeHint();
    const QFontMetrics fm(font());
    const int width = fm.horizontalAdvance(Words() + QLatin1Char(' ')) +
                      FewestDots * fm.horizontalAdvance(QLatin1Char('.'));
    return {width + contentsMargins().left() + contentsMargins().right(), QLabel::minimumSizeHint().height()};
}

QSize TLeaderLabel::sizeHint() const {
    return HasLeader(text()) ? minimumSizeHint() : QLabel::sizeHint();
}

void TLeaderLabel::paintEvent(QPaintEvent* event) {
    if (!HasLeader(text())) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter p(this);
    const QRect r = contentsRect();
    const QFontMetrics fm(font());
    QString line = Words() + QLatin1Char(' ');
    const int dot = fm.horizontalAdvance(QLatin1Char('.'));
    const int room = r.width() - fm.horizontalAdvance(line) - dot / 2;
    if (dot > 0 && room > 0) line += QString(room / dot, QLatin1Char('.'));
    style()->drawItemText(&p, r, int(Qt::AlignLeft | Qt::AlignVCenter), palette(), isEnabled(), line,
                          foregroundRole());
}
