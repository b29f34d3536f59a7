#include "app/UnitMain.h"
#include "common/ProgramFixture.h"
#include "windows/UnitDialog.h"
#include "windows/UnitGlowingLabel.h"
#include "windows/UnitSplash.h"

#include <QLabel>
#include <QStatusBar>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

// The opacity a fading window takes on each tick, as (tick, opacity) at every change, until it
// hides or maxTicks pass; closedAt is the tick on which it disappeared.
struct Fade {
    std::vector<std::pair<int, int>> steps;
    int closedAt = -1;
};

template <typename Window> Fade RunFade(Window* window, int maxTicks = 200) {
    Fade fade;
    int last = window->Opacity;
    fade.steps.push_back({0, last});
    for (int tick = 1; tick <= maxTicks; ++tick) {
        FormMain->TimerGUITimer();
        if (!window->isVisible()) {
            fade.closedAt = tick;
            break;
        }
        if (window->Opacity != last) {
            last = window->Opacity;
            fade.steps.push_back({tick, last});
        }
    }
    return fade;
}

std::vector<int> Opacities(const Fade& fade) {
    std::vector<int> values;
    for (const auto& step : fade.steps)
        values.push_back(step.second);
    return values;
}

std::vector<int> Descending(int from, int step, int last) {
    std::vector<int> values;
    for (int v = from; v >= last; v -= step)
        values.push_back(v);
    return values;
}

class FadeWindows : public ProgramFixture {
protected:
    FadeWindows() {
        CreateProgram();
        // The start-up splash is not what these tests look at, unless they say so.
        FormSplash->hide();
        FormMain->SplashCountdown = -1;
        FormMain->show();
    }
};

TEST_F(FadeWindows, SplashHoldsOneSecondThenFadesInStepsOfThirtyAndCloses) {
    delete FormSplash;
    const std::unique_ptr<TFormSplash> owner(new TFormSplash(FormMain));
    TFormSplash* splash = owner.get();
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(FormMain->SplashCountdown, 25);
    const Fade fade = RunFade(splash);
    EXPECT_EQ(Opacities(fade), Descending(255, 30, 15));
    // Opaque for 25 ticks, then a step every second tick, then one more step to close.
    ASSERT_GE(fade.steps.size(), 2u);
    EXPECT_EQ(fade.steps[1].first, 26);
    EXPECT_EQ(fade.steps.back().first, 40);
    EXPECT_EQ(fade.closedAt, 42);
    EXPECT_EQ(FormMain->SplashCountdown, -1);
    EXPECT_DOUBLE_EQ(splash->windowOpacity(), 15 / 255.0);
}

TEST_F(FadeWindows, AboutBoxOpenedDuringTheFadeIsOpaqueBorderedAndStays) {
    delete FormSplash;
    const std::unique_ptr<TFormSplash> owner(new TFormSplash(FormMain));
    TFormSplash* splash = owner.get();
    Tick(25 + 2 * 3); // three fade steps done
    ASSERT_LT(splash->Opacity, 255);
    splash->ShowAbout();
    EXPECT_EQ(splash->Opacity, 255);
    EXPECT_DOUBLE_EQ(splash->windowOpacity(), 1.0);
    EXPECT_FALSE(splash->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(splash->windowFlags() & Qt::WindowTitleHint);
    Tick(100);
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(splash->Opacity, 255);
    EXPECT_EQ(splash->LabelAppName->text(), "Corvane Diagnostic");
    EXPECT_EQ(splash->LabelVersion->text(), "Version 1.01.233 keld");
}

TEST_F(FadeWindows, MessageHoldTicksRoundHalvesToEven) {
    const std::pair<int, int> cases[] = {{500, 12}, {1500, 38}, {1000, 25}, {20, 0}, {60, 2}, {100, 2}};
    for (const auto& [ms, ticks] : cases)
        EXPECT_EQ(TFormDialog::HoldTicks(ms), ticks) << ms << " ms";
}

TEST_F(FadeWindows, MessageShowsOverTheStatusBarFadesAndDropsASecondOne) {
    FormDialog->Show("ECU resetted", 500);
    EXPECT_TRUE(FormDialog->isVisible());
    EXPECT_EQ(FormMain->DialogCountdown, 12);
    const QRect main = FormMain->geometry();
    EXPECT_EQ(FormDialog->x(), main.left() + (main.width() - FormDialog->width()) / 2);
    EXPECT_EQ(FormDialog->y() + FormDialog->height(), main.bottom() + 1 - FormMain->statusBar()->height());

    Tick(3);
    FormDialog->Show("SLAVE", 1000);
    EXPECT_EQ(FormDialog->Etichetta->text(), "ECU resetted");
    EXPECT_EQ(FormMain->DialogCountdown, 9);

    const Fade fade = RunFade(FormDialog);
    EXPECT_EQ(Opacities(fade), Descending(255, 30, 15));
    EXPECT_EQ(fade.steps[1].first, 13 - 3); // the 13th tick after showing
    EXPECT_EQ(FormMain->DialogCountdown, -1);

    FormDialog->Show("SLAVE", 1000); // gone: the next message shows
    EXPECT_TRUE(FormDialog->isVisible());
    EXPECT_EQ(FormDialog->Etichetta->text(), "SLAVE");
    EXPECT_EQ(FormDialog->Opacity, 255);
}

TEST_F(FadeWindows, GlowingLabelCoversTheLambdaChartFadesAndClearsItsWord) {
    FormGlowingLabel->Show("LPG");
    EXPECT_TRUE(FormGlowingLabel->isVisible());
    EXPECT_EQ(FormGlowingLabel->geometry(), FormMain->LambdaChartScreenRect());
    EXPECT_EQ(FormMain->GlowCountdown, 27);
    const Fade fade = RunFade(FormGlowingLabel);
    EXPECT_EQ(Opacities(fade), Descending(255, 20, 15));
    EXPECT_EQ(fade.steps[1].first, 28);
    EXPECT_EQ(fade.closedAt, fade.steps.back().first + 2);
    EXPECT_TRUE(FormGlowingLabel->Label1->text().isEmpty());
    EXPECT_EQ(FormMain->GlowCountdown, -1);
}

TEST_F(FadeWindows, GlowingLabelStaysHiddenWhileAMessageIsVisible) {
    FormDialog->Show("COMPENSATED", 1000);
    FormGlowingLabel->Show("CNG");
    EXPECT_FALSE(FormGlowingLabel->isVisible());
    EXPECT_EQ(FormMain->GlowCountdown, -1);
}

} // namespace
