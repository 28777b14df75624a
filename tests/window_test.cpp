// The control window under a real X server: construction, the band slider
// and wheel handlers, the time window and the destroy handler, in both
// programs' flavours.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <tuple>

#include "engine/module_tone.h"
#include "engine/tone_state.h"
#include "monitor/program_choices.h"
#include "monitor/tone_link.h"
#include "support/display.h"
#include "support/gtk_pump.h"
#include "support/module_tone_reset.h"
#include "support/reference_burst.h"
#include "support/temp_dir.h"
#include "ui/band_slider_handlers.h"
#include "ui/headphones_check.h"
#include "ui/main_window.h"
#include "ui/refresh_timer.h"
#include "ui/save_levels_handlers.h"

using namespace sonavel;

namespace {

std::string label_text(GtkWidget* label) {
  return gtk_label_get_text(GTK_LABEL(label));
}
std::string title(GtkWidget* window) {
  return gtk_window_get_title(GTK_WINDOW(window));
}
double value(GtkWidget* range) {
  return gtk_range_get_value(GTK_RANGE(range));
}

void settle() {
  while (gtk_events_pending()) gtk_main_iteration();
}
// The next n samples of sonavel_pa's engine, as its audio thread would get them.
std::vector<float> render(std::size_t n) {
  std::vector<float> out(n);
  render_tone(out.data(), n);
  return out;
}
bool silent(const std::vector<float>& v) {
  return std::all_of(v.begin(), v.end(), [](float s) { return s == 0.0f; });
}

class Window : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(sonavel_test::ensure_display());
    ASSERT_TRUE(gtk_init_check(nullptr, nullptr));
  }
  void SetUp() override { sonavel_test::reset_module_tone(); }

  MainWindow build_pa() {
    link = make_module_tone_link();
    w = build_main_window(nullptr, sonavelPaChoices, link);
    return w;
  }
  MainWindow build_locked() {
    app.emplace("org.sonavel.WindowTest");
    holder = SharedToneState::create();
    w = build_main_window(app->get(), sonavelChoices, make_locked_tone_link(holder));
    return w;
  }
  void TearDown() override {
    if (w.window != nullptr && !destroyed) gtk_widget_destroy(w.window);
    settle();
  }

  // Hands a scroll event to the band slider's wheel handler; emit: through the
  // slider's real signal emission instead, the toolkit's own handling included.
  gboolean scroll(GtkWidget* slider, GdkScrollDirection dir, double dy = 0.0, bool emit = false) {
    GdkEvent* ev = gdk_event_new(GDK_SCROLL);
    ev->scroll.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(slider)));
    ev->scroll.direction = dir;
    ev->scroll.delta_y = dy;
    ev->scroll.delta_x = dir == GDK_SCROLL_SMOOTH && dy == 0.0 ? 1.0 : 0.0;
    gdk_event_set_device(
        ev, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
    gboolean handled = FALSE;
    if (emit) {
      g_signal_emit_by_name(slider, "scroll-event", ev, &handled);
    } else {
      handled = on_slider_scroll_event(slider, &ev->scroll, nullptr);
    }
    gdk_event_free(ev);
    return handled;
  }

  MainWindow w;
  std::shared_ptr<ToneLink> link;
  std::optional<sonavel_test::RegisteredApplication> app;
  ToneStateHolder holder;
  bool destroyed = false;
};

TEST_F(Window, ConstructionShowsEveryBandAtFortyAndArmsNothing) {
  build_pa();
  EXPECT_EQ(title(w.window), creditTitle);
  EXPECT_FALSE(GTK_IS_APPLICATION_WINDOW(w.window));
  EXPECT_EQ(label_text(w.labels[0]), "25\n-40 dB");
  EXPECT_EQ(label_text(w.labels[16]), "1000\n-40 dB");
  EXPECT_EQ(label_text(w.labels[32]), "16000\n-40 dB");
  for (GtkWidget* s : w.sliders) {
    ASSERT_EQ(value(s), 40.0);
    EXPECT_TRUE(gtk_range_get_inverted(GTK_RANGE(s)));
    EXPECT_FALSE(gtk_scale_get_draw_value(GTK_SCALE(s)));
    GtkAdjustment* adj = gtk_range_get_adjustment(GTK_RANGE(s));
    EXPECT_EQ(gtk_adjustment_get_lower(adj), 0.0);
    EXPECT_EQ(gtk_adjustment_get_upper(adj), 120.0);
  }
  EXPECT_EQ(value(w.time_window_slider), 0.5);
  EXPECT_TRUE(gtk_scale_get_draw_value(GTK_SCALE(w.time_window_slider)));
  EXPECT_EQ(gtk_scale_get_digits(GTK_SCALE(w.time_window_slider)), 1);
  EXPECT_TRUE(silent(render(44100))) << "construction must arm no burst";
  EXPECT_EQ(inputFreq.load(), 20);
}

TEST_F(Window, ApplicationFlavourBuildsAnApplicationWindow) {
  build_locked();
  EXPECT_TRUE(GTK_IS_APPLICATION_WINDOW(w.window));
  EXPECT_EQ(gtk_window_get_application(GTK_WINDOW(w.window)), app->get());
  EXPECT_EQ(title(w.window), creditTitle);
  ToneStateGuard g(*holder);
  EXPECT_TRUE(g.state().burst.callbackPaused);
}

TEST_F(Window, ValueChangeRelabelsItsBandRetitlesAndArmsABurst) {
  build_pa();
  gtk_range_set_value(GTK_RANGE(w.sliders[16]), 60.0);
  EXPECT_EQ(label_text(w.labels[16]), "1000\n-60 dB");
  EXPECT_EQ(title(w.window), "Sonavel - 1000 Hz @ -60 dB");
  EXPECT_EQ(label_text(w.labels[15]), "800\n-40 dB") << "other bands keep their labels";
  EXPECT_EQ(inputFreq.load(), 1000);
  EXPECT_DOUBLE_EQ(attenuation.load(), 0.001);
  const auto played = render(1000);
  const auto expected = sonavel_test::reference_burst(1000, 60);
  for (std::size_t i = 0; i < played.size(); ++i) ASSERT_EQ(played[i], expected[i]) << i;

  gtk_range_set_value(GTK_RANGE(w.sliders[32]), 120.0);
  EXPECT_EQ(label_text(w.labels[32]), "16000\n-120 dB");
  EXPECT_EQ(label_text(w.labels[16]), "1000\n-60 dB");
  EXPECT_EQ(title(w.window), "Sonavel - 16000 Hz @ -120 dB");
  EXPECT_DOUBLE_EQ(attenuation.load(), 0.000001);

  gtk_range_set_value(GTK_RANGE(w.sliders[0]), 0.0);
  EXPECT_EQ(label_text(w.labels[0]), "25\n-0 dB");
  EXPECT_EQ(title(w.window), "Sonavel - 25 Hz @ -0 dB");
  EXPECT_EQ(attenuation.load(), 1.0);
}

// What a screen reader reads through ATK: each slider's band as its name and
// its level as its description, following every change of its own band only.
TEST_F(Window, BandSlidersTellAScreenReaderTheirBandAndLevel) {
  build_locked();
  auto name = [](GtkWidget* s) {
    return std::string(atk_object_get_name(gtk_widget_get_accessible(s)));
  };
  auto description = [](GtkWidget* s) {
    return std::string(atk_object_get_description(gtk_widget_get_accessible(s)));
  };
  EXPECT_EQ(name(w.sliders[0]), "25 Hz");
  EXPECT_EQ(name(w.sliders[16]), "1000 Hz");
  EXPECT_EQ(name(w.sliders[32]), "16000 Hz");
  EXPECT_EQ(description(w.sliders[16]), "-40 dB");
  EXPECT_EQ(atk_object_get_role(gtk_widget_get_accessible(w.sliders[16])), ATK_ROLE_SLIDER);

  gtk_range_set_value(GTK_RANGE(w.sliders[16]), 57.0);
  EXPECT_EQ(description(w.sliders[16]), "-57 dB");
  EXPECT_EQ(description(w.sliders[15]), "-40 dB");
  EXPECT_EQ(name(w.sliders[16]), "1000 Hz");
  double current = 0.0;
  gchar* text = nullptr;
  atk_value_get_value_and_text(ATK_VALUE(gtk_widget_get_accessible(w.sliders[16])), &current,
                               &text);
  EXPECT_EQ(current, 57.0);
  EXPECT_STREQ(text, "-57 dB") << "the level is spoken as it changes";
  g_free(text);

  // The time-window slider by name, its span in seconds, and the view.
  AtkObject* span = gtk_widget_get_accessible(w.time_window_slider);
  gtk_range_set_value(GTK_RANGE(w.time_window_slider), 1.2);
  atk_value_get_value_and_text(ATK_VALUE(span), &current, &text);
  EXPECT_EQ(name(w.time_window_slider), "Time window");
  EXPECT_STREQ(text, "1.2 seconds");
  g_free(text);
  EXPECT_EQ(name(w.waveform_area), "Waveform monitor");
  // The sliders stay the toolkit's scales, as gtk_scale_new_with_range makes them.
  GtkAdjustment* adj = gtk_range_get_adjustment(GTK_RANGE(w.sliders[0]));
  EXPECT_TRUE(GTK_IS_SCALE(w.sliders[0]));
  EXPECT_EQ(gtk_scale_get_digits(GTK_SCALE(w.sliders[0])), 0);
  EXPECT_EQ(gtk_scale_get_digits(GTK_SCALE(w.time_window_slider)), 1);
  EXPECT_EQ(gtk_adjustment_get_page_size(adj), 0.0);
  EXPECT_EQ(gtk_adjustment_get_upper(adj), 120.0);
}

// A click on the view leaves the keys on the band being tested, and Tab goes
// from the last band straight to the time-window slider.
TEST_F(Window, AClickOnTheViewLeavesTheKeysOnTheBand) {
  build_pa();
  gtk_widget_show_all(w.window);
  settle();
  gtk_widget_grab_focus(w.sliders[16]);
  GdkEvent* ev = gdk_event_new(GDK_BUTTON_PRESS);
  ev->button.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(w.waveform_area)));
  ev->button.button = 1;
  gdk_event_set_device(
      ev, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
  gboolean handled = FALSE;
  g_signal_emit_by_name(w.waveform_area, "button-press-event", ev, &handled);
  gdk_event_free(ev);
  settle();
  EXPECT_TRUE(gtk_widget_is_focus(w.sliders[16]));
  gtk_widget_grab_focus(w.sliders[32]);
  gtk_widget_child_focus(w.window, GTK_DIR_TAB_FORWARD);
  EXPECT_TRUE(gtk_widget_is_focus(w.time_window_slider));
}

TEST_F(Window, FractionalValuesTruncateInOneProgramAndRoundInTheOther) {
  build_pa();
  gtk_range_set_value(GTK_RANGE(w.sliders[16]), 37.6);
  EXPECT_EQ(label_text(w.labels[16]), "1000\n-37 dB");
  EXPECT_EQ(title(w.window), "Sonavel - 1000 Hz @ -37 dB");
  EXPECT_DOUBLE_EQ(attenuation.load(), std::pow(10.0, -37.0 / 20.0));
  gtk_widget_show_all(w.window);
  settle();
  EXPECT_TRUE(scroll(w.sliders[16], GDK_SCROLL_DOWN));
  EXPECT_DOUBLE_EQ(value(w.sliders[16]), 38.6);
  EXPECT_EQ(label_text(w.labels[16]), "1000\n-38 dB");
}

TEST_F(Window, LockedFlavourRoundsHalvesAwayFromZeroAndStartsWholeAfterTheRetitle) {
  build_locked();
  gtk_range_set_value(GTK_RANGE(w.sliders[16]), 37.5);
  EXPECT_EQ(label_text(w.labels[16]), "1000\n-38 dB");
  EXPECT_EQ(title(w.window), "Sonavel - 1000 Hz @ -38 dB");
  {
    ToneStateGuard g(*holder);
    EXPECT_EQ(g.state().burst.inputFreq, 1000);
    EXPECT_DOUBLE_EQ(g.state().burst.attenuation, std::pow(10.0, -38.0 / 20.0));
    EXPECT_EQ(g.state().burst.samplesRemaining, 132300u);
    EXPECT_FALSE(g.state().burst.callbackPaused);
  }
  gtk_range_set_value(GTK_RANGE(w.sliders[16]), 37.4);
  EXPECT_EQ(label_text(w.labels[16]), "1000\n-37 dB");
  gtk_widget_show_all(w.window);
  settle();
  gtk_range_set_value(GTK_RANGE(w.sliders[16]), 37.6);
  EXPECT_TRUE(scroll(w.sliders[16], GDK_SCROLL_DOWN));
  EXPECT_EQ(label_text(w.labels[16]), "1000\n-39 dB");
}

TEST_F(Window, WheelStepsOneDecibelAndConsumesTheEvent) {
  build_pa();
  gtk_widget_show_all(w.window);
  settle();
  GtkWidget* s = w.sliders[10];
  EXPECT_TRUE(scroll(s, GDK_SCROLL_UP, 0.0, true));
  EXPECT_EQ(value(s), 39.0) << "up is 1 dB louder, and the toolkit's own step does not follow";
  EXPECT_EQ(title(w.window), "Sonavel - 250 Hz @ -39 dB");
  EXPECT_TRUE(scroll(s, GDK_SCROLL_DOWN));
  EXPECT_TRUE(scroll(s, GDK_SCROLL_DOWN));
  EXPECT_EQ(value(s), 41.0);
  EXPECT_TRUE(scroll(s, GDK_SCROLL_SMOOTH, -7.5));
  EXPECT_EQ(value(s), 40.0) << "a smooth step is 1 dB whatever its size";
  EXPECT_TRUE(scroll(s, GDK_SCROLL_SMOOTH, 0.01));
  EXPECT_EQ(value(s), 41.0);
  EXPECT_EQ(label_text(w.labels[10]), "250\n-41 dB");

  // Sideways: left to the toolkit, nothing changes here.
  const std::string before = title(w.window);
  EXPECT_FALSE(scroll(s, GDK_SCROLL_SMOOTH, 0.0));
  EXPECT_FALSE(scroll(s, GDK_SCROLL_LEFT));
  EXPECT_FALSE(scroll(s, GDK_SCROLL_RIGHT));
  EXPECT_EQ(value(s), 41.0);
  EXPECT_EQ(title(w.window), before);
}

TEST_F(Window, WheelClampsAtBothEndsWithoutArmingABurst) {
  build_pa();
  gtk_widget_show_all(w.window);
  settle();
  GtkWidget* s = w.sliders[20];
  // A wheel step that cannot move the slider must not restart its burst: the
  // samples after it go on where the burst was.
  for (const auto& [db, direction, dy] :
       {std::tuple{0, GDK_SCROLL_UP, 0.0}, {120, GDK_SCROLL_SMOOTH, 3.0}}) {
    gtk_range_set_value(GTK_RANGE(s), db);
    render(1000);
    EXPECT_TRUE(scroll(s, direction, dy)) << "consumed even when it cannot move";
    EXPECT_EQ(value(s), db);
    const auto next = render(100);
    const auto expected = sonavel_test::reference_burst(2500, db);
    for (std::size_t i = 0; i < next.size(); ++i) ASSERT_EQ(next[i], expected[1000 + i]) << db;
  }
  EXPECT_EQ(title(w.window), "Sonavel - 2500 Hz @ -120 dB");
}

// The time window: sonavel_pa steps its slider by 0.1 a page, sonavel keeps
// the toolkit's page of 1.0; in both a change sets the span, bounded by the
// slider's range, and plays nothing.
TEST_F(Window, TimeWindowSliderSetsTheSpanAndArmsNothing) {
  for (const bool locked : {false, true}) {
    if (locked) {
      gtk_widget_destroy(w.window);
      build_locked();
    } else {
      build_pa();
    }
    auto span = [&] {
      if (!locked) return waveformTimeWindowSec;
      ToneStateGuard g(*holder);
      EXPECT_TRUE(g.state().burst.callbackPaused) << "nothing armed";
      return g.state().waveformTimeWindowSec;
    };
    GtkAdjustment* adj = gtk_range_get_adjustment(GTK_RANGE(w.time_window_slider));
    EXPECT_DOUBLE_EQ(gtk_adjustment_get_step_increment(adj), 0.1);
    EXPECT_DOUBLE_EQ(gtk_adjustment_get_page_increment(adj), locked ? 1.0 : 0.1);
    gtk_range_set_value(GTK_RANGE(w.time_window_slider), 0.7);
    EXPECT_DOUBLE_EQ(span(), 0.7);
    gtk_range_set_value(GTK_RANGE(w.time_window_slider), 5.0);
    EXPECT_EQ(span(), 2.0) << "the slider's range bounds it";
    EXPECT_EQ(title(w.window), creditTitle);
  }
  EXPECT_TRUE(silent(render(1000)));
}

TEST_F(Window, DestroyRemovesTheTimerAndEndsTheMainLoop) {
  build_pa();
  waveformTimerId = add_refresh_timer(sonavelPaChoices, w.waveform_area, link, nullptr);
  const guint id = waveformTimerId;
  ASSERT_NE(id, 0u);
  gtk_widget_show_all(w.window);
  g_timeout_add(
      200,
      [](gpointer win) {
        gtk_widget_destroy(GTK_WIDGET(win));
        return G_SOURCE_REMOVE;
      },
      w.window);
  gtk_main();  // returns only through on_window_destroy
  destroyed = true;
  EXPECT_EQ(waveformTimerId, 0u);
  EXPECT_EQ(g_main_context_find_source_by_id(nullptr, id), nullptr);
}

TEST_F(Window, LockedWindowHasNoDestroyHandler) {
  build_locked();
  const guint id = g_signal_lookup("destroy", GTK_TYPE_WIDGET);
  EXPECT_EQ(g_signal_handler_find(w.window, G_SIGNAL_MATCH_ID, id, 0, nullptr, nullptr, nullptr),
            0u);
  MainWindow pa = build_main_window(nullptr, sonavelPaChoices, make_module_tone_link());
  EXPECT_NE(g_signal_handler_find(pa.window, G_SIGNAL_MATCH_ID, id, 0, nullptr, nullptr, nullptr),
            0u);
  g_signal_handlers_disconnect_matched(pa.window, G_SIGNAL_MATCH_ID, id, 0, nullptr, nullptr,
                                       nullptr);
  gtk_widget_destroy(pa.window);
}

// The view follows a burst while the ring holds it, through the refresh
// timer alone, until it shows the silent picture; then it rests, and a
// time-window change at rest is drawn at once.
TEST_F(Window, TicksRedrawWhileTheRingHoldsABurstThenRest) {
  build_pa();
  gtk_widget_show_all(w.window);
  // What the last draw showed. No audio thread runs here, so a frame taken
  // right after a draw is the one the draw took.
  struct Drawn {
    std::shared_ptr<ToneLink> link;
    int draws = 0;
    bool sound = false;
    double seconds = 0.0;
  } drawn{link};
  g_signal_connect_after(w.waveform_area, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t*, gpointer p) {
                           auto* d = static_cast<Drawn*>(p);
                           WaveformFrame frame;
                           auto copy = std::make_unique<WaveformCopy>();
                           d->link->take_frame(sonavelPaChoices, frame, *copy);
                           ++d->draws;
                           d->seconds = frame.seconds_visible;
                           d->sound = false;
                           for (std::uint32_t k = 0; k < frame.visible_samples; ++k) {
                             d->sound = d->sound || std::fabs(frame.sample(k)) > 1e-9f;
                           }
                           return FALSE;
                         }),
                         &drawn);
  ASSERT_TRUE(sonavel_test::run_main_loop_until([&] { return drawn.draws > 0; },
                                                sonavel_test::slowMachineWait));
  // Whether the view had asked to be drawn; if so, waits for that draw. The
  // ticks and the audio are driven here, so what each tick decides does not
  // depend on when the main loop happens to run.
  GdkWindow* view = gtk_widget_get_window(w.waveform_area);
  auto draw_asked_for = [&] {
    cairo_region_t* asked = gdk_window_get_update_area(view);  // taken: given back below
    if (asked == nullptr) return false;
    gdk_window_invalidate_region(view, asked, TRUE);
    cairo_region_destroy(asked);
    const int before = drawn.draws;
    EXPECT_TRUE(sonavel_test::run_main_loop_until([&] { return drawn.draws > before; },
                                                  sonavel_test::slowMachineWait));
    return true;
  };
  RefreshTimerContext timer{ref(w.waveform_area), link, sonavelPaChoices.tickChecksVisibility,
                            nullptr};
  gtk_range_set_value(GTK_RANGE(w.time_window_slider), 2.0);  // the whole ring in view
  // At 0 dB even the last samples of the fade-out are above the view's
  // threshold, so the ring holds visible sound until the last one is gone.
  gtk_range_set_value(GTK_RANGE(w.sliders[16]), 0);
  while (draw_asked_for()) {
  }
  // A tick after every 1323 samples (30 ms of audio), until five ticks after
  // the ring has taken a whole ring of silence after the burst.
  constexpr std::size_t step = 1323, ring = 32768;
  const std::size_t silentFrom = sonavel_test::burstLength + ring;
  std::size_t played = 0, ticksDuringBurst = 0, drawsDuringBurst = 0, lastDrawAt = 0;
  while (played < silentFrom + 5 * step) {
    render(step);
    played += step;
    waveform_tick(&timer);
    const bool drew = draw_asked_for();
    if (played <= sonavel_test::burstLength) ++ticksDuringBurst, drawsDuringBurst += drew;
    if (drew) lastDrawAt = played;
  }
  EXPECT_EQ(drawsDuringBurst, ticksDuringBurst) << "every tick while the burst plays draws it";
  EXPECT_FALSE(drawn.sound) << "the last picture drawn, after " << lastDrawAt
                            << " samples, still shows the burst";
  EXPECT_GE(lastDrawAt, silentFrom) << "the view stopped before the burst left the ring";
  EXPECT_LT(lastDrawAt, silentFrom + step + 1) << "the window rests once the ring is silent";
  gtk_range_set_value(GTK_RANGE(w.time_window_slider), 1.2);
  EXPECT_TRUE(draw_asked_for()) << "a time-window change at rest is drawn";
  EXPECT_DOUBLE_EQ(drawn.seconds, 1.2);
}

}  // namespace

namespace {

// Before a save replaces a file it asks about that file, by name; a file
// nobody may write is named read-only, whoever the user is.
TEST(SaveLevelsQuestion, AsksOnlyAboutAFileThereAndNamesOneThatIsReadOnly) {
  sonavel_test::TempDir dir;
  EXPECT_EQ(replace_question(dir / "levels.csv"), std::nullopt);
  std::ofstream(dir / "levels.csv") << "x";
  const auto plain = replace_question(dir / "levels.csv");
  ASSERT_TRUE(plain.has_value());
  EXPECT_EQ(plain->headline,
            "A file named \u201clevels.csv\u201d already exists. Do you want to replace it?");
  chmod((dir / "levels.csv").c_str(), 0444);
  const auto read_only = replace_question(dir / "levels.csv");
  ASSERT_TRUE(read_only.has_value());
  EXPECT_EQ(read_only->headline,
            "\u201clevels.csv\u201d is read-only. Do you want to replace it anyway?");
}

}  // namespace

namespace {

// Answers that are neither the sides as played nor swapped: each kind of
// output a listener can meet, in plain words.
TEST(HeadphonesFinding, BothNothingAndMixedAnswersAreToldApart) {
  const std::array<Ear, 3> played{Ear::Left, Ear::Right, Ear::Left};
  EXPECT_EQ(headphones_finding(played, {Heard::Both, Heard::Both, Heard::Both}),
            "The sound reaches both ears: the output is mono, or the headset mixes the sides");
  EXPECT_EQ(headphones_finding(played, {Heard::Nothing, Heard::Nothing, Heard::Nothing}),
            "Nothing was heard: check the volume and the output device");
  EXPECT_EQ(headphones_finding(played, {Heard::Left, Heard::Left, Heard::Left}),
            "The answers do not agree: check the headphones again");
  EXPECT_EQ(headphones_finding(played, {Heard::Right, Heard::Left, Heard::Right}),
            "Left and right are swapped: turn the headphones round");
}

}  // namespace
