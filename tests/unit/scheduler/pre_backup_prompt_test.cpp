// Rules of the pre-backup prompt without a window: where it opens, how it slides
// in and out, the countdown with pause, dragging, and how each way of closing it
// answers.
#include "scheduler/ui/pre_backup_prompt.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A work area of 1024 x 738 and a window of 283 x 163 (step 16, 3 pixels lost
// to rounding over the nine moving steps).
constexpr int kWorkW = 1024, kWorkH = 738, kWinW = 283, kWinH = 163;

PromptWindowState Opened() {
  PromptWindowState s;
  PromptOpen(s, kWorkW, kWorkH, kWinW, kWinH);
  return s;
}

PromptWindowState Risen() {
  PromptWindowState s = Opened();
  for (int i = 0; i < kPromptSlideTicks; ++i) PromptSlideInTick(s);
  return s;
}

TEST(PromptOpen, PlacesTheWindowJustBelowTheBottomRightOfTheWorkArea) {
  PromptWindowState s = Opened();
  EXPECT_EQ(s.WindowX, kWorkW - kWinW - 1);
  EXPECT_EQ(s.WindowY, kWorkH);
  EXPECT_EQ(s.RestingY, kWorkH - kWinH - 1);
  EXPECT_EQ(s.SlideStep, 16);
  EXPECT_EQ(s.WindowWidth, kWinW);
  EXPECT_EQ(s.WindowHeight, kWinH);
}

TEST(PromptOpen, ForgetsEverythingThePreviousPromptLeftBehind) {
  PromptWindowState s = Risen();
  PromptTogglePause(s);
  PromptDragBegin(s, 3, 4);
  PromptDragMove(s, 9, 9, true);
  for (int i = 0; i < 5; ++i) PromptCountdownTick(s);

  PromptAction a = PromptOpen(s, 800, 600, 200, 100);
  EXPECT_TRUE(a.Has(DoMoveWindow));
  EXPECT_EQ(s.Paused, 0);
  EXPECT_EQ(s.Dragging, 0);
  EXPECT_EQ(s.MovedByUser, 0);
  EXPECT_EQ(s.CountdownTicks, 0);
  EXPECT_EQ(s.SlideTicks, 0);
  EXPECT_EQ(s.PromptPhase, SlidingIn);
  EXPECT_EQ(s.WindowX, 599);
  EXPECT_EQ(s.RestingY, 499);
}

TEST(PromptSlideIn, RisesNineStepsAndLandsExactlyOnTheTenth) {
  PromptWindowState s = Opened();
  for (int i = 1; i < kPromptSlideTicks; ++i) {
    PromptAction a = PromptSlideInTick(s);
    EXPECT_EQ(a.Steps, static_cast<unsigned>(DoMoveWindow)) << "tick " << i;
    EXPECT_EQ(s.WindowY, kWorkH - i * 16) << "tick " << i;
    EXPECT_EQ(s.PromptPhase, SlidingIn);
  }
  PromptAction last = PromptSlideInTick(s);
  EXPECT_TRUE(last.Has(DoMoveWindow));
  EXPECT_TRUE(last.Has(DoStopSlideIn));
  EXPECT_EQ(s.WindowY, s.RestingY);
  EXPECT_EQ(s.PromptPhase, Shown);

  // A tick still queued after the timer stopped changes nothing.
  EXPECT_EQ(PromptSlideInTick(s).Steps, 0u);
  EXPECT_EQ(s.WindowY, s.RestingY);
}

TEST(PromptCountdown, ShowsTheCountBeforeEachTickAndSlidesOutAfterTwenty) {
  PromptWindowState s = Risen();
  for (int i = 0; i < kPromptCountdownTicks - 1; ++i) {
    PromptAction a = PromptCountdownTick(s);
    EXPECT_EQ(a.Steps, static_cast<unsigned>(DoSetProgress));
    EXPECT_EQ(a.Progress, i);
  }
  PromptAction last = PromptCountdownTick(s);
  EXPECT_EQ(last.Progress, 19);  // the bar never shows 20 of 20
  EXPECT_TRUE(last.Has(DoStopCountdown));
  EXPECT_TRUE(last.Has(DoStartSlideOut));
  EXPECT_FALSE(last.Has(DoCloseDialog));
  EXPECT_EQ(s.PromptPhase, SlidingOut);
  EXPECT_EQ(s.SlideTicks, 0);
}

TEST(PromptCountdown, RunsDuringTheSlideInToo) {
  PromptWindowState s = Opened();
  PromptAction a = PromptCountdownTick(s);
  EXPECT_TRUE(a.Has(DoSetProgress));
  EXPECT_EQ(s.CountdownTicks, 1);
  EXPECT_EQ(s.PromptPhase, SlidingIn);
}

TEST(PromptSlideOut, SinksNineStepsAndClosesWithGoAheadOnTheTenth) {
  PromptWindowState s = Risen();
  // Slide-out ticks before the countdown ran out are ignored.
  EXPECT_EQ(PromptSlideOutTick(s).Steps, 0u);
  for (int i = 0; i < kPromptCountdownTicks; ++i) PromptCountdownTick(s);
  const int resting = s.WindowY;
  for (int i = 1; i < kPromptSlideTicks; ++i) {
    PromptAction a = PromptSlideOutTick(s);
    EXPECT_EQ(a.Steps, static_cast<unsigned>(DoMoveWindow));
    EXPECT_EQ(s.WindowY, resting + i * 16);
  }
  PromptAction last = PromptSlideOutTick(s);
  EXPECT_TRUE(last.Has(DoStopSlideOut));
  EXPECT_TRUE(last.Has(DoCloseDialog));
  EXPECT_FALSE(last.Has(DoMoveWindow));
  EXPECT_EQ(last.EndValue, 1);
}

TEST(PromptPause, FreezesTheCountdownAndResumesWhereItStopped) {
  PromptWindowState s = Risen();
  for (int i = 0; i < 7; ++i) PromptCountdownTick(s);

  PromptAction pause = PromptTogglePause(s);
  EXPECT_TRUE(pause.Has(DoShowContinue));
  EXPECT_FALSE(pause.Has(DoCloseDialog));
  for (int i = 0; i < 60; ++i) EXPECT_EQ(PromptCountdownTick(s).Steps, 0u);
  EXPECT_EQ(s.CountdownTicks, 7);

  PromptAction resume = PromptTogglePause(s);
  EXPECT_TRUE(resume.Has(DoShowPause));
  EXPECT_EQ(PromptCountdownTick(s).Progress, 7);
  for (int i = 8; i < kPromptCountdownTicks - 1; ++i) PromptCountdownTick(s);
  EXPECT_TRUE(PromptCountdownTick(s).Has(DoStartSlideOut));
}

TEST(PromptPause, DoesNotStopASlideInProgress) {
  PromptWindowState s = Opened();
  PromptTogglePause(s);
  PromptSlideInTick(s);
  EXPECT_EQ(s.WindowY, kWorkH - 16);
}

TEST(PromptClose, StartNowAndSkipStopTheTimersOfThePhaseAndAnswer) {
  PromptWindowState in = Opened();
  PromptAction a = PromptStartNow(in);
  EXPECT_TRUE(a.Has(DoStopSlideIn) && a.Has(DoStopCountdown) && a.Has(DoCloseDialog));
  EXPECT_FALSE(a.Has(DoStopSlideOut));
  EXPECT_EQ(a.EndValue, 1);

  PromptWindowState shown = Risen();
  a = PromptSkip(shown);
  EXPECT_FALSE(a.Has(DoStopSlideIn) || a.Has(DoStopSlideOut));
  EXPECT_TRUE(a.Has(DoStopCountdown) && a.Has(DoCloseDialog));
  EXPECT_EQ(a.EndValue, 0);

  PromptWindowState out = Risen();
  for (int i = 0; i < kPromptCountdownTicks; ++i) PromptCountdownTick(out);
  PromptSlideOutTick(out);
  a = PromptSkip(out);
  EXPECT_TRUE(a.Has(DoStopSlideOut) && a.Has(DoCloseDialog));
  EXPECT_EQ(a.EndValue, 0);
}

TEST(PromptClose, PausingThenSkippingOrStartingStillAnswers) {
  PromptWindowState s = Risen();
  PromptTogglePause(s);
  EXPECT_EQ(PromptSkip(s).EndValue, 0);
  PromptWindowState t = Risen();
  PromptTogglePause(t);
  EXPECT_EQ(PromptStartNow(t).EndValue, 1);
}

TEST(PromptDrag, MovesTheWindowByTheCursorsOffsetFromTheAnchor) {
  PromptWindowState s = Risen();
  const int x = s.WindowX, y = s.WindowY;
  PromptDragBegin(s, 10, 10);
  EXPECT_EQ(s.Dragging, 1);
  PromptAction a = PromptDragMove(s, 30, 25, true);
  EXPECT_TRUE(a.Has(DoMoveWindow));
  EXPECT_EQ(s.WindowX, x + 20);
  EXPECT_EQ(s.WindowY, y + 15);
  EXPECT_EQ(s.MovedByUser, 1);
  // The cursor back on the anchor: the window stays.
  PromptDragMove(s, 10, 10, true);
  EXPECT_EQ(s.WindowX, x + 20);
  // Left of and above the window the client coordinates are negative.
  PromptDragMove(s, -15, -5, true);
  EXPECT_EQ(s.WindowX, x - 5);
  EXPECT_EQ(s.WindowY, y);
}

TEST(PromptDrag, IgnoresMovesWithoutTheButtonOrAfterTheRelease) {
  PromptWindowState s = Risen();
  const int x = s.WindowX;
  EXPECT_EQ(PromptDragMove(s, 50, 50, true).Steps, 0u);  // no press first
  PromptDragBegin(s, 10, 10);
  EXPECT_EQ(PromptDragMove(s, 50, 50, false).Steps, 0u);
  PromptDragEnd(s);
  EXPECT_EQ(s.Dragging, 0);
  EXPECT_EQ(PromptDragMove(s, 50, 50, true).Steps, 0u);
  EXPECT_EQ(s.WindowX, x);
  EXPECT_EQ(s.MovedByUser, 0);
}

TEST(PromptDrag, AMovedWindowClosesInPlaceWhenTheCountdownEnds) {
  PromptWindowState s = Risen();
  PromptDragBegin(s, 10, 10);
  PromptDragMove(s, 0, 0, true);
  PromptDragEnd(s);
  for (int i = 0; i < kPromptCountdownTicks - 1; ++i) PromptCountdownTick(s);
  PromptAction last = PromptCountdownTick(s);
  EXPECT_TRUE(last.Has(DoStopCountdown));
  EXPECT_TRUE(last.Has(DoCloseDialog));
  EXPECT_FALSE(last.Has(DoStartSlideOut));
  EXPECT_FALSE(last.Has(DoMoveWindow));
  EXPECT_EQ(last.EndValue, 1);
}

TEST(PromptDrag, DuringTheSlideInTheLastStepKeepsTheDraggedX) {
  PromptWindowState s = Opened();
  PromptSlideInTick(s);
  PromptSlideInTick(s);
  PromptDragBegin(s, 100, 40);
  PromptDragMove(s, 40, 30, true);  // 60 left, 10 up
  PromptDragEnd(s);
  const int x = s.WindowX;
  EXPECT_EQ(x, kWorkW - kWinW - 1 - 60);
  EXPECT_EQ(s.WindowY, kWorkH - 32 - 10);
  PromptSlideInTick(s);
  EXPECT_EQ(s.WindowY, kWorkH - 48 - 10);
  for (int i = 3; i < kPromptSlideTicks; ++i) PromptSlideInTick(s);
  EXPECT_EQ(s.PromptPhase, Shown);
  EXPECT_EQ(s.WindowY, s.RestingY);
  EXPECT_EQ(s.WindowX, x);
}

// The picture fills the frame whatever the dialog's size: a dialog made wider
// and taller by the system font gets the picture's edges stretched to it.
TEST(PromptPicture, ReachesTheFrameAtEverySize) {
  const struct {
    int clientWidth, clientHeight;
    std::vector<std::vector<int>> pieces;  // x, y, width, height, source x, y, width, height
  } cases[] = {
      {283, 162, {{1, 1, 281, 160, 0, 0, 281, 160}}},  // the size it was drawn for
      {327, 162, {{1, 1, 281, 160, 0, 0, 281, 160}, {282, 1, 44, 160, 280, 0, 1, 160}}},
      {372, 200,
       {{1, 1, 281, 160, 0, 0, 281, 160}, {282, 1, 89, 160, 280, 0, 1, 160}, {1, 161, 281, 38, 0, 159, 281, 1},
        {282, 161, 89, 38, 280, 159, 1, 1}}},
      {200, 100, {{1, 1, 198, 98, 0, 0, 198, 98}}},  // smaller: cut at the frame
      {2, 2, {}},
  };
  for (const auto& c : cases) {
    PromptPicturePiece pieces[kPromptPicturePieces];
    const int n = LayOutPromptPicture(c.clientWidth, c.clientHeight, 281, 160, pieces);
    std::vector<std::vector<int>> got;
    for (int i = 0; i < n; ++i) {
      const PromptPicturePiece& p = pieces[i];
      got.push_back({p.X, p.Y, p.Width, p.Height, p.SourceX, p.SourceY, p.SourceWidth, p.SourceHeight});
    }
    EXPECT_EQ(c.pieces, got) << c.clientWidth << " x " << c.clientHeight;
  }
}

}  // namespace
