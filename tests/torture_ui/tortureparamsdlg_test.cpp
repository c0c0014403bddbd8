// The "Port Info" dialog: what it shows, what OK accepts or refuses, and that
// the run's parameters change only on a good OK.
#include "torture/tortureparamsdlg.h"

#include "res/texts.h"
#include "tests/support/qtfakeuiservices.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

const torture::TortureParams Defaults { 3, 96, 115200 };

QLineEdit* field(QDialog& dialog, const char* name)
{
    return dialog.findChild<QLineEdit*>(QString::fromLatin1(name));
}

QStringList fieldTexts(QDialog& dialog)
{
    return { field(dialog, "firstComPort")->text(), field(dialog, "portCount")->text(),
        field(dialog, "baudRate")->text() };
}

// Types the three entries and presses OK the way a user would.
FakeUiServices::DialogScript fillAndOk(QString first, QString count, QString baud, QStringList* shown = nullptr)
{
    return [=](QDialog& dialog) {
        if (shown) *shown = fieldTexts(dialog);
        field(dialog, "firstComPort")->setText(first);
        field(dialog, "portCount")->setText(count);
        field(dialog, "baudRate")->setText(baud);
        dialog.accept();
        return dialog.result();
    };
}

class TortureParamsDlgTest : public ::testing::Test {
protected:
    void SetUp() override { torture::setTortureParams(Defaults); }
    void TearDown() override { torture::setTortureParams(Defaults); }

    FakeUiServices ui;
};

TEST_F(TortureParamsDlgTest, ShowsDefaultsThenLastAcceptedValues)
{
    CTortureParamsDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QString(txt::PortInfo));
    QStringList shown;
    ui.queueDialog(fillAndOk(" 5 ", "\t0\t", "4294967295", &shown));
    EXPECT_EQ(dialog.doModal(ui), QDialog::Accepted);
    EXPECT_EQ(shown, QStringList({ "3", "96", "115200" }));
    EXPECT_EQ(torture::tortureParams(), (torture::TortureParams { 5, 0, 4294967295u }));
    EXPECT_TRUE(ui.messages.isEmpty());

    ui.queueDialog(fillAndOk("1", "2", "3", &shown));
    dialog.doModal(ui);
    EXPECT_EQ(shown, QStringList({ "5", "0", "4294967295" }));
}

TEST_F(TortureParamsDlgTest, LabelsAreThoseOfTheForm)
{
    CTortureParamsDlg dialog;
    QStringList labels;
    for (auto* label : dialog.findChildren<QLabel*>())
        labels << label->text();
    EXPECT_EQ(labels, QStringList({ "First COM port:", "Port Count:", "Baud Rate:" }));
}

TEST_F(TortureParamsDlgTest, CancelChangesNothing)
{
    CTortureParamsDlg dialog;
    QStringList shown;
    ui.queueDialog([](QDialog& d) {
        field(d, "portCount")->setText("7");
        d.reject();
        return d.result();
    });
    EXPECT_EQ(dialog.doModal(ui), QDialog::Rejected);
    EXPECT_EQ(torture::tortureParams(), Defaults);
    ui.queueDialog(fillAndOk("3", "96", "115200", &shown));
    dialog.doModal(ui);
    EXPECT_EQ(shown, QStringList({ "3", "96", "115200" }));
}

struct BadEntry {
    const char* fieldName;
    QString text;
};

class TortureParamsDlgRefusal : public TortureParamsDlgTest, public ::testing::WithParamInterface<BadEntry> { };

TEST_P(TortureParamsDlgRefusal, RefusesOnceWithFocusOnTheFieldAndStaysOpen)
{
    const BadEntry bad = GetParam();
    CTortureParamsDlg dialog;
    bool stayedOpen = false;
    QString selected;
    ui.queueDialog([&](QDialog& d) {
        d.show();
        QApplication::setActiveWindow(&d);
        for (const char* name : { "firstComPort", "portCount", "baudRate" })
            field(d, name)->setText("9");
        field(d, bad.fieldName)->setText(bad.text);
        d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        stayedOpen = d.isVisible() && d.result() != QDialog::Accepted;
        selected = field(d, bad.fieldName)->selectedText();
        d.reject();
        return d.result();
    });
    dialog.doModal(ui);
    EXPECT_EQ(ui.messages, QStringList({ txt::PleaseEnterPositiveInteger }));
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(dialog.focusWidget(), field(dialog, bad.fieldName));
    EXPECT_EQ(selected, bad.text.isEmpty() ? QString() : bad.text);
    EXPECT_EQ(torture::tortureParams(), Defaults);
    EXPECT_EQ(dialog.values(), Defaults);
}

INSTANTIATE_TEST_SUITE_P(Entries, TortureParamsDlgRefusal,
    ::testing::Values(BadEntry { "firstComPort", "-5" }, BadEntry { "firstComPort", "+5" },
        BadEntry { "portCount", "5a" }, BadEntry { "portCount", "" }, BadEntry { "baudRate", "4294967296" },
        BadEntry { "baudRate", "1 2" }));

TEST_F(TortureParamsDlgTest, FirstBadFieldWinsAndEarlierGoodOnesAreNotKept)
{
    CTortureParamsDlg dialog;
    QStringList shown;
    ui.queueDialog([](QDialog& d) {
        field(d, "firstComPort")->setText("8");
        field(d, "portCount")->setText("x");
        field(d, "baudRate")->setText("y");
        d.accept();
        d.reject();
        return d.result();
    });
    dialog.doModal(ui);
    EXPECT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(dialog.focusWidget(), field(dialog, "portCount"));
    ui.queueDialog(fillAndOk("3", "96", "115200", &shown));
    dialog.doModal(ui);
    EXPECT_EQ(shown, QStringList({ "3", "96", "115200" }));
}

TEST_F(TortureParamsDlgTest, OneDialogForTheProcessKeepsItsValues)
{
    CTortureParamsDlg& dialog = CTortureParamsDlg::instance();
    EXPECT_EQ(&dialog, &CTortureParamsDlg::instance());
    EXPECT_EQ(dialog.parent(), nullptr);
    ui.queueDialog(fillAndOk("4", "2", "9600"));
    CTortureParamsDlg::instance().doModal(ui);
    EXPECT_EQ(CTortureParamsDlg::instance().values(), (torture::TortureParams { 4, 2, 9600 }));
}

} // namespace
