// The setup window on the simulated meter, inside the main window, as quedral --setup shows it.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <cmath>

#include "base/datetime.h"
#include "logger/ui/dataloggercontroller.h"
#include "setup/ui/setupwindow.h"
#include "../shell/mainwindowfixture.h"

using namespace quedral;

namespace {

class SetupWindowTest : public test::MainWindowTest {
protected:
    SetupWindowTest() { openSetup = true; }
    SetupWindow* setup() { return main->setupWindow(); }
    // Clicks a button of the setup window and waits until its command has been shown; its code.
    int click(QPushButton* button)
    {
        QSignalSpy done(setup(), &SetupWindow::commandFinished);
        button->click();
        if (done.isEmpty() && !done.wait(20000))
            return -1000;
        return done.first().first().toInt();
    }
    int commandsWritten() const
    {
        int n = 0;
        for (const TransportCall& c : sim->calls())
            n += c.name == "usbWrite";
        return n;
    }
    QByteArray memory() const { return sim->meter().state().memory; }
};

TEST_F(SetupWindowTest, OpensAtStartForServiceUseWhileItsEntriesStayHidden)
{
    ASSERT_NE(setup(), nullptr);
    EXPECT_FALSE(main->action(MainAction::Setup)->isVisible());
    EXPECT_FALSE(main->toolButton(MainButton::Setup)->isVisible());
    EXPECT_EQ(main->toolButton(MainButton::Setup)->text(), "setup");

    // A second use brings back the same window; closing it clears the reference.
    SetupWindow* first = setup();
    main->showSetupWindow();
    EXPECT_EQ(setup(), first);
    main->frameOf(first)->close();
    QApplication::processEvents();
    EXPECT_EQ(setup(), nullptr);
    main->showSetupWindow();
    EXPECT_NE(setup(), nullptr);
}

TEST_F(SetupWindowTest, ReadFillsTheFieldsFromTheMeter)
{
    EXPECT_EQ(click(setup()->btnRead), 0);
    EXPECT_EQ(prompts.messages.last(), "read data successfully");
    EXPECT_EQ(setup()->txtDataSets->text(), "4");
    EXPECT_EQ(setup()->txtInt->text(), "2");
    EXPECT_EQ(setup()->txtSN->text(), sim->meter().serialNumber());
    EXPECT_FALSE(setup()->txtVer->text().isEmpty());
    EXPECT_FALSE(setup()->txtMemoryAvailable->text().isEmpty());
    EXPECT_TRUE(setup()->txt70dB->text().contains("  ("));
    EXPECT_EQ(setup()->txtMeterTime->text().size(), QString("12/08/2024   13:05:07").size());
}

TEST_F(SetupWindowTest, SetClockIntervalAndEraseReportSuccess)
{
    sim->meter().update([](SimulatedMeter::State& s) { s.clockOffsetSeconds = -86400 * 3; });
    EXPECT_EQ(click(setup()->btnSetClock), 0);
    EXPECT_EQ(prompts.messages.last(), "Meter time updated successfully \n");
    EXPECT_LT(std::abs(sim->meter().state().clockOffsetSeconds), 5);

    setup()->edtInt1->setText("00");
    setup()->edtInt2->setText("05");
    EXPECT_EQ(click(setup()->btnSetInterval), 0);
    EXPECT_EQ(prompts.messages.last(), "Recording Interval Setup Successfully ");
    EXPECT_EQ(memory().at(15), 5);

    EXPECT_EQ(click(setup()->btnErase), 0);
    EXPECT_EQ(prompts.messages.last(), "erase memory successfully");
    EXPECT_EQ(click(setup()->btnRead), 0);
    EXPECT_EQ(setup()->txtDataSets->text(), "0");
    EXPECT_EQ(setup()->txtInt->text(), "5") << "the interval survives an erase";
}

TEST_F(SetupWindowTest, BadInputIsRefusedBeforeAnythingIsSent)
{
    struct Case {
        QPushButton* SetupWindow::*button;
        std::function<void(SetupWindow&)> fill;
    };
    const Case cases[] = {
        {&SetupWindow::btnSetInterval, [](SetupWindow& w) { w.edtInt1->setText("01"), w.edtInt2->setText("01"); }},
        {&SetupWindow::btnSetInterval, [](SetupWindow& w) { w.edtInt1->setText("0"), w.edtInt2->setText("02"); }},
        {&SetupWindow::btnWriteEeprom, [](SetupWindow& w) { w.txtWAddress->setText("15"), w.txtWData->setText("300"); }},
        {&SetupWindow::btnWriteEeprom, [](SetupWindow& w) { w.txtWAddress->setText("-1"), w.txtWData->setText("2"); }},
        {&SetupWindow::btnReadEeprom, [](SetupWindow& w) { w.txtRAddress->setText("16777216"); }},
        {&SetupWindow::btnQuickRec, [](SetupWindow& w) { w.txtQuick_REC_NUM->setText("abc"); }},
        {&SetupWindow::btnQuickRec, [](SetupWindow& w) { w.txtQuick_REC_NUM->setText("0"); }},
    };
    for (const Case& c : cases) {
        c.fill(*setup());
        const int before = commandsWritten();
        EXPECT_EQ(click(setup()->*c.button), 701);
        EXPECT_EQ(prompts.messages.last(), "Invalid Input");
        EXPECT_EQ(commandsWritten(), before);
    }
}

TEST_F(SetupWindowTest, ByteWriteAndReadGoThroughTheMeterMemory)
{
    setup()->txtWAddress->setText("300");
    setup()->txtWData->setText("165");
    const int messages = prompts.messages.size();
    EXPECT_EQ(click(setup()->btnWriteEeprom), 0);
    EXPECT_EQ(prompts.messages.size(), messages) << "success shows nothing";
    setup()->txtRAddress->setText("300");
    EXPECT_EQ(click(setup()->btnReadEeprom), 0);
    EXPECT_EQ(setup()->txtRData->text(), "165");
}

TEST_F(SetupWindowTest, WrongEchoesAreReported)
{
    sim->faults.alterByteIndex = 1;
    setup()->edtInt1->setText("00");
    setup()->edtInt2->setText("02");
    EXPECT_EQ(click(setup()->btnSetInterval), 707);
    EXPECT_EQ(prompts.messages.last(), "no response from device, error code=707");
    EXPECT_EQ(click(setup()->btnWriteEeprom), 707);
    EXPECT_EQ(prompts.messages.last(), "Error Code=707");
    sim->faults.alterByteIndex = 6;
    EXPECT_EQ(click(setup()->btnErase), 807);
    EXPECT_EQ(prompts.messages.last(), "no response from device, error code=807");
}

TEST_F(SetupWindowTest, QuickRecAsksFirstAndANoSendsNothing)
{
    const QByteArray before = memory();
    for (Answer answer : {Answer::No, Answer::Cancel}) {
        prompts.answers = {answer};
        prompts.questions.clear();
        const int written = commandsWritten();
        setup()->btnQuickRec->click();
        QApplication::processEvents();
        ASSERT_EQ(prompts.questions.size(), 1);
        EXPECT_TRUE(prompts.questions[0].contains("replaces all data sets")) << prompts.questions[0].toStdString();
        EXPECT_EQ(commandsWritten(), written);
        EXPECT_TRUE(setup()->btnQuickRec->isEnabled());
    }
    EXPECT_EQ(memory(), before) << "the logged data sets stay";
}

TEST_F(SetupWindowTest, QuickRecThenLoadDataShowsOneSetStartingOnTheMeterClock)
{
    // The meter's clock runs 5 h 43 min behind the computer's: the set starts on the meter's.
    const qint64 offset = -(5 * 3600 + 43 * 60);
    sim->meter().update([offset](SimulatedMeter::State& s) { s.clockOffsetSeconds = offset; });
    setup()->txtQuick_REC_NUM->setText("25");
    setup()->txtInterval->setText("2");
    prompts.answers = {Answer::Yes};
    const double meterTimeBefore = toDays(sim->meter().meterTime());
    EXPECT_EQ(click(setup()->btnQuickRec), 0);
    const double meterTimeAfter = toDays(sim->meter().meterTime());
    EXPECT_EQ(setup()->lblQUICKRECOK->text(), "OK");
    EXPECT_EQ(setup()->lblQUICKRECOK->palette().color(QPalette::WindowText), QColor(0, 0x80, 0));

    poll(); // connected
    QSignalSpy done(&main->dataLogger(), &DataLoggerController::loadFinished);
    main->dataLogger().loadData();
    ASSERT_TRUE(done.wait(20000));
    EXPECT_EQ(done.first().first().toInt(), 0);
    const DataSetStore& store = main->dataLogger().store();
    ASSERT_EQ(store.sets.size(), 1u);
    EXPECT_EQ(store.info(0).count, 25);
    EXPECT_EQ(store.info(0).interval, 2);
    // Whole seconds: the start lies within the QUICK REC's run on the meter's clock.
    const double second = 1.0 / 86400;
    EXPECT_GE(store.info(0).start, std::floor(meterTimeBefore / second) * second - 1e-9)
        << fromDays(store.info(0).start).toString(Qt::ISODate).toStdString() << " vs meter "
        << fromDays(meterTimeBefore).toString(Qt::ISODate).toStdString();
    EXPECT_LE(store.info(0).start, meterTimeAfter + 1e-9);
}

TEST_F(SetupWindowTest, WithoutMeterReadFailsAtTheOpenAndQuickRecShowsFail)
{
    sim->unplug();
    EXPECT_EQ(click(setup()->btnRead), 903);
    EXPECT_EQ(prompts.messages.last(), "fail to open device");
    for (QLineEdit* e : {setup()->txtVer, setup()->txtMeterTime, setup()->txtDataSets, setup()->txtSN})
        EXPECT_TRUE(e->text().isEmpty());

    prompts.answers = {Answer::Yes};
    EXPECT_EQ(click(setup()->btnQuickRec), 803);
    EXPECT_EQ(setup()->lblQUICKRECOK->text(), "Fail");
    EXPECT_EQ(setup()->lblQUICKRECOK->palette().color(QPalette::WindowText), QColor(0xFF, 0, 0));
}

} // namespace
