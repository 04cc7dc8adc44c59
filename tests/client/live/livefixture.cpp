#include "livefixture.h"

#include <QCoreApplication>
#include <QRect>
#include <QThread>

namespace {

Timeline *activeTimeline = nullptr;
bool offGuiThread = false;

void recordMessage(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (QCoreApplication::instance() &&
        QThread::currentThread() != QCoreApplication::instance()->thread())
        offGuiThread = true;
    if (!activeTimeline)
        return;
    const char *level = "log:";
    switch (type) {
    case QtDebugMsg:
        level = "debug:";
        break;
    case QtWarningMsg:
        level = "warning:";
        break;
    case QtCriticalMsg:
        level = "critical:";
        break;
    case QtFatalMsg:
        level = "fatal:";
        break;
    case QtInfoMsg:
        break;
    }
    activeTimeline->push_back(level + message.toStdString());
}

} // namespace

void LiveTest::SetUp()
{
    ilivesim::reset();
    ilivesim::setCallObserver(
        [this](const std::string &call) { timeline.push_back("sdk:" + call); });
    activeTimeline = &timeline;
    offGuiThread = false;
    qInstallMessageHandler(recordMessage);
    owner.setWindowTitle(QStringLiteral("classroom"));
    owner.setGeometry(40, 50, 320, 240);
    owner.show();
    live = Live::instance();
    ASSERT_NE(live, nullptr);
}

void LiveTest::TearDown()
{
    Live::DestroyLiveSdk();
    settle();
    EXPECT_FALSE(offGuiThread) << "a line was logged off the GUI thread";
    qInstallMessageHandler(nullptr);
    activeTimeline = nullptr;
    ilivesim::reset();
}

void LiveTest::settle()
{
    for (int round = 0; ilivesim::pendingAnswers() > 0 && round < 10000; ++round) {
        QCoreApplication::processEvents();
        ilivesim::deliverHeld();
    }
    ASSERT_EQ(ilivesim::pendingAnswers(), 0) << "the SDK still owes answers";
}

void LiveTest::enterRoom(int bpush, int brecord)
{
    ASSERT_EQ(
        live->Login(&owner, QStringLiteral("alice"), QStringLiteral("sig"), 1234, bpush, brecord),
        0);
    settle();
    take();
}

Timeline LiveTest::take()
{
    Timeline taken;
    taken.swap(timeline);
    return taken;
}

std::string LiveTest::shareCall() const
{
    const QRect area = owner.geometry();
    return "sdk:openScreenShare(" + std::to_string(area.x()) + "," + std::to_string(area.y()) +
           "," + std::to_string(area.x() + area.width() - 1) + "," +
           std::to_string(area.y() + area.height() - 1) + ",10)";
}
