// The tab strip: selection through OnChange, clicks, and the colours drawn.
#include "platform/widgets/tabset.h"

#include <QTest>
#include <gtest/gtest.h>
#include <vector>

namespace {

const QStringList Captions{" Kişisel Bilgiler", " Görev / İş Bilgileri ", " Kimlik Bilgileri ",
                           " Diğer / Yakın Bilgileri"};

// A point inside the tab away from its caption and its slopes.
QPoint Inside(const TTabSet &t, int i) {
    const QRect r = t.TabRect(i);
    return {r.left() + 8, r.top() + 5};
}

TEST(TabSet, SelectionGoesThroughOnChange) {
    TTabSet t;
    t.resize(481, 21);
    t.SetTabs(Captions);
    EXPECT_EQ(t.TabIndex(), -1);
    std::vector<int> asked;
    bool allow = true;
    t.OnChange = [&](int newTab, bool &allowChange) {
        asked.push_back(newTab);
        allowChange = allow;
    };
    EXPECT_TRUE(t.SetTabIndex(0));
    EXPECT_TRUE(t.SetTabIndex(2));
    EXPECT_TRUE(t.SetTabIndex(2)); // already selected: nothing asked
    EXPECT_FALSE(t.SetTabIndex(4));
    EXPECT_FALSE(t.SetTabIndex(-1));
    allow = false;
    EXPECT_FALSE(t.SetTabIndex(1));
    EXPECT_EQ(t.TabIndex(), 2);
    EXPECT_EQ(asked, (std::vector<int>{0, 2, 1}));
}

TEST(TabSet, ClickSelectsTheTabUnderTheMouse) {
    TTabSet t;
    t.setFont(QFont("MS Sans Serif", 8));
    t.resize(481, 21);
    t.SetTabs(Captions);
    t.SetTabIndex(0);
    t.show();
    int changed = -1;
    QObject::connect(&t, &TTabSet::TabChanged, [&](int i) { changed = i; });
    for (int i : {3, 1, 2, 0}) {
        QTest::mouseClick(&t, Qt::LeftButton, Qt::NoModifier, t.TabRect(i).center());
        EXPECT_EQ(t.TabIndex(), i);
        EXPECT_EQ(changed, i);
    }
    // Every caption fits in the strip of the main window.
    EXPECT_LE(t.TabRect(3).right(), 470) << t.TabRect(3).right();
    // Right of the last tab there is nothing to select.
    QTest::mouseClick(&t, Qt::LeftButton, Qt::NoModifier, QPoint(476, 10));
    EXPECT_EQ(t.TabIndex(), 0);
}

TEST(TabSet, UnselectedTabsInTheirColour) {
    TTabSet t;
    t.resize(481, 21);
    t.SetTabs(Captions);
    t.SetTabIndex(1);
    t.SetDitherBackground(false);
    t.SetSelectedColor(0x00C0C0C0);
    t.SetUnselectedColor(0x00FF0000); // blue in the stored layout
    QImage img = t.grab().toImage();
    EXPECT_EQ(img.pixelColor(Inside(t, 0)), QColor(0, 0, 255));
    EXPECT_EQ(img.pixelColor(Inside(t, 2)), QColor(0, 0, 255));
    EXPECT_EQ(img.pixelColor(Inside(t, 1)), QColor(0xC0, 0xC0, 0xC0));
    t.SetUnselectedColor(clRed);
    EXPECT_EQ(t.UnselectedColor(), 255);
    img = t.grab().toImage();
    EXPECT_EQ(img.pixelColor(Inside(t, 3)), QColor(255, 0, 0));
}

TEST(TColor, StoredLayoutAndSystemReferences) {
    EXPECT_EQ(ColorToQColor(0x00F7DFD6), QColor(0xD6, 0xDF, 0xF7));
    EXPECT_EQ(QColorToColor(QColor(0xD6, 0xDF, 0xF7)), 0x00F7DFD6);
    EXPECT_EQ(clWindow, -16777211);
    EXPECT_EQ(clWindowText, -16777208);
    EXPECT_TRUE(IsSystemColor(clWindow));
    EXPECT_FALSE(IsSystemColor(0x00FFFFFF));
    EXPECT_EQ(ColorToQColor(clWindow), QGuiApplication::palette().color(QPalette::Base));
    EXPECT_EQ(ColorToQColor(clWindowText), QGuiApplication::palette().color(QPalette::Text));
}

} // namespace
