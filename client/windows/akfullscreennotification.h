#pragma once

#include <QLabel>

class QShowEvent;

// The notice in the middle of the full-screen window: how to leave full screen. It stays for two
// seconds, fades out over two more and then hides; clicks pass through it to the page below.
class AKFullScreenNotification : public QLabel
{
    Q_OBJECT
public:
    explicit AKFullScreenNotification(QWidget *parent);
    ~AKFullScreenNotification() override;

signals:
    // The label has become visible (not sent again for show events while it already is).
    void shown();

protected:
    void showEvent(QShowEvent *event) override;

private:
    bool wasVisible = false;
};
