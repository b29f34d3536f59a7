#pragma once

#include <QLabel>

// A caption whose text ends in a dotted leader ("Cylinders ........"): the words are always shown
// whole and the dots fill the room left up to the field, however long the translated leader is.
// A caption without a leader paints as a plain label.
class TLeaderLabel : public QLabel {
    Q_OBJECT
public:
    explicit TLeaderLabel(QWidget* parent = nullptr);
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;
    // The text before the leader.
    QString Words() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
