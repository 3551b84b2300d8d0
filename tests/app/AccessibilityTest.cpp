// What a screen reader and a keyboard user find in the windows, through Qt's accessibility
// interfaces and key events.
#include "app/Main.h"
#include "app/Startup.h"
#include "app/about.h"
#include "app/msg_src.h"
#include "accounts/NewAcc.h"
#include "accounts/pop_acc.h"
#include "accounts/pwd_req.h"
#include "rules/def_Rule.h"
#include "rules/rules.h"
#include "lcd/LCDScreen.h"
#include "ScriptedBoxes.h"
#include "TempHome.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolBar>

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

class Accessibility : public ::testing::Test {
protected:
    TempHome home;
    ScriptedBoxes boxes;
    std::unique_ptr<TMainFrm> frm = CreateApplicationWindows();

    std::vector<QWidget*> Windows() const
    {
        const TAppWindows& w = frm->Windows();
        return {frm.get(), w.Frm_Acc, w.frm_NewAcc, w.Frm_srcvu, w.Frm_Rules, w.Frm_defRule, w.AboutBox, w.frm_pwd_req};
    }
};

bool Operable(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton: case QAccessible::ButtonMenu: case QAccessible::ButtonDropDown:
    case QAccessible::CheckBox: case QAccessible::ComboBox: case QAccessible::EditableText:
    case QAccessible::SpinBox: case QAccessible::List: case QAccessible::Table: case QAccessible::StatusBar:
        return true;
    default: return false;
    }
}

// The operable controls below `iface` without a name; the items of lists and fields are named
// by their content, so the walk stops at them.
void CollectUnnamed(QAccessibleInterface* iface, const QString& where, QStringList& unnamed)
{
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface* child = iface->child(i);
        if (!child) continue;
        auto* widget = qobject_cast<QWidget*>(child->object());
        if (widget && widget->isHidden()) continue;  // not shown in this state of the window
        if (!Operable(child->role())) {
            CollectUnnamed(child, where, unnamed);
            continue;
        }
        if (child->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << where + ": " + (widget ? widget->metaObject()->className() + QStringLiteral(" ") + widget->objectName() : QString());
    }
}

QChar Mnemonic(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] != '&') return text[i + 1].toUpper();
        ++i;
    }
    return {};
}

void PressKey(QWidget& target, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&target, &press);
}

}  // namespace

TEST_F(Accessibility, EveryControlOfEveryWindowHasAName)
{
    QStringList unnamed;
    for (QWidget* window : Windows()) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(window);
        ASSERT_NE(iface, nullptr);
        EXPECT_FALSE(iface->text(QAccessible::Name).isEmpty()) << window->metaObject()->className();
        CollectUnnamed(iface, window->windowTitle(), unnamed);
    }
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join('\n').toStdString();

    // The names a screen reader user looks for on the main window.
    auto named = [](QObject* object) { return QAccessible::queryAccessibleInterface(object)->text(QAccessible::Name); };
    EXPECT_EQ(named(frm->MailList), "Messages");
    EXPECT_EQ(named(frm->Toolbar971->widgetForAction(frm->cmdChkMail)), "Check Mail");
    EXPECT_EQ(named(frm->Toolbar971->widgetForAction(frm->cmd_del)), "Delete");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(frm->Toolbar971->widgetForAction(frm->cmd_del))
                  ->text(QAccessible::Description), "Delete message");
    EXPECT_EQ(named(frm->Windows().frm_NewAcc->txt_mailsrvr), "POP3 Mail server");
    EXPECT_EQ(named(frm->Windows().Frm_defRule->edit1), "Text");
}

// How a new text is announced is seen on the desktop's accessibility bus (AtSpiTest.cpp): Qt
// passes no accessibility events on the offscreen platform.
TEST_F(Accessibility, StatusDisplayIsNamedStatusAndTellsItsTextAsValue)
{
    QAccessibleInterface* lcd = QAccessible::queryAccessibleInterface(frm->LCD1);
    ASSERT_NE(lcd, nullptr);
    EXPECT_EQ(lcd->role(), QAccessible::StatusBar);
    EXPECT_EQ(lcd->text(QAccessible::Name), "Status");
    EXPECT_EQ(lcd->text(QAccessible::Value), "Quillbox");
    frm->DisplayLCD_Msg("Connecting to server...");
    frm->LCD1->TimerTick();  // the scrolled copy is not what it says
    EXPECT_EQ(lcd->text(QAccessible::Value), "Connecting to server...");
    ASSERT_NE(lcd->textInterface(), nullptr);
    EXPECT_EQ(lcd->textInterface()->text(0, -1), "Connecting to server...");
    EXPECT_EQ(lcd->textInterface()->text(14, 20), "server");
    EXPECT_EQ(lcd->textInterface()->characterCount(), 23);
    frm->DisplayLCD_Msg("");
    EXPECT_EQ(lcd->text(QAccessible::Value), "");
}

TEST_F(Accessibility, EveryDialogCanBeWorkedWithTheKeyboardAlone)
{
    const TAppWindows& w = frm->Windows();
    struct Row {
        QDialog* dialog;
        QPushButton* enter;    // the default button, pressed by Enter
        QAbstractButton* esc;  // the button Esc stands for
    };
    const Row rows[] = {
        {w.Frm_Acc, nullptr, w.Frm_Acc->cmdClose},
        {w.frm_NewAcc, w.frm_NewAcc->cmdOK, w.frm_NewAcc->cmdCancel},
        {w.frm_pwd_req, w.frm_pwd_req->cmdOK, w.frm_pwd_req->cmdCancel},
        {w.Frm_Rules, w.Frm_Rules->cmdok, w.Frm_Rules->cmd_cancel},
        {w.Frm_defRule, w.Frm_defRule->cmdok, w.Frm_defRule->cmd_cancel},
        {w.Frm_srcvu, nullptr, nullptr},
        {w.AboutBox, nullptr, nullptr},
    };
    for (const Row& row : rows) {
        const std::string name = row.dialog->windowTitle().toStdString();
        if (row.enter) {
            EXPECT_TRUE(row.enter->isDefault()) << name;
        }
        // Whatever the mouse can work, Tab reaches; labels and buttons have a letter of their own.
        std::map<QChar, QString> letters;
        for (QWidget* child : row.dialog->findChildren<QWidget*>()) {
            const bool operable = qobject_cast<QAbstractButton*>(child) || qobject_cast<QLineEdit*>(child) ||
                                  qobject_cast<QComboBox*>(child) || qobject_cast<QAbstractItemView*>(child) ||
                                  qobject_cast<QAbstractSpinBox*>(child) || qobject_cast<QPlainTextEdit*>(child) ||
                                  child->cursor().shape() == Qt::PointingHandCursor;
            if (operable && child->isEnabled() && child->parentWidget() &&
                !qobject_cast<QComboBox*>(child->parentWidget()) && !qobject_cast<QAbstractSpinBox*>(child->parentWidget())) {
                EXPECT_TRUE(child->focusPolicy() & Qt::TabFocus) << name << ": " << child->metaObject()->className();
            }
            QString text;
            if (auto* label = qobject_cast<QLabel*>(child); label && label->buddy()) text = label->text();
            if (auto* button = qobject_cast<QAbstractButton*>(child); button && button != row.enter && button != row.esc)
                text = button->text();
            if (text.isEmpty()) continue;
            const QChar letter = Mnemonic(text);
            EXPECT_FALSE(letter.isNull()) << name << ": no mnemonic in " << text.toStdString();
            if (letter.isNull()) continue;
            EXPECT_FALSE(letters.count(letter)) << name << ": " << text.toStdString() << " and "
                                                << letters[letter].toStdString() << " share Alt+" << QString(letter).toStdString();
            letters[letter] = text;
        }
        // Esc closes it, as its cancel button does.
        row.dialog->show();
        PressKey(*row.dialog, Qt::Key_Escape);
        EXPECT_FALSE(row.dialog->isVisible()) << name;
        EXPECT_EQ(row.dialog->result(), QDialog::Rejected) << name;
    }
}

TEST_F(Accessibility, AboutBoxLinkFollowsByEnter)
{
    TAboutBox& about = *frm->Windows().AboutBox;
    int followed = 0;
    about.OnShowHome = [&] { ++followed; };
    PressKey(*about.Label1, Qt::Key_Return);
    PressKey(*about.Label1, Qt::Key_Space);
    PressKey(*about.Label1, Qt::Key_A);
    EXPECT_EQ(followed, 2);
}
