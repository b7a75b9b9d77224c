// The axes tab on the simulated line: which units it offers, what it remembers per unit, what
// each button sends and shows, and that bad input sends nothing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <memory>

#include "app/WindowCore.h"
#include "foundation/NumberText.h"
#include "tests/support/QtApplication.h"
#include "tests/support/SimSystem.h"
#include "ui/MainWindow.h"
#include "ui/WindowFrontEnd.h"

namespace qv::test {
namespace {

using Sim = BasicSimSystem<WindowFrontEnd>;

class AxesTabTest : public ::testing::TestWithParam<std::string> {
 protected:
  static void SetUpTestSuite() { EnsureQApplication(); }
  void TearDown() override { delete window; }

  // The program on the simulated line with `axes` as QV_AXES.TXT; `adjust` changes the units.
  void Open(const std::string& axes, const std::function<void(sim::LinePlan&)>& adjust = {}) {
    sim = std::make_unique<Sim>(RepoFolder(GetParam()), sim::LineOptions{.baud = 9600}, adjust);
    std::ofstream(sim->folder.File("QV_AXES.TXT"), std::ios::binary) << axes;
    sim->Start();
    window = new MainWindow(WindowCore(sim->system), [this] { sim->front.Attach(nullptr); });
    sim->front.Attach(window);
    window->resize(1280, 800);
    window->show();
  }
  void ShowAxes() {
    window->Tabs().setCurrentIndex(3);
    QApplication::processEvents();
  }
  std::vector<QRadioButton*> Units() {
    const QList<QRadioButton*> units = window->Axes().findChildren<QRadioButton*>();
    return {units.begin(), units.end()};
  }
  std::string Captions() {
    std::string captions;
    for (QRadioButton* unit : Units())
      captions += unit->text().toStdString() + ";";
    return captions;
  }
  template <class W = QLineEdit>
  W& Find(const char* name) {
    W* widget = window->Axes().findChild<W*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return *widget;
  }
  void Type(const char* field, const std::string& text) {
    if (std::string(field) == "cboDestin") {
      Find<QComboBox>(field).setEditText(QString::fromStdString(text));
    } else {
      Find(field).setText(QString::fromStdString(text));
    }
  }
  std::string Text(const char* name) { return Find(name).text().toStdString(); }
  std::string Label(const char* name) { return Find<QLabel>(name).text().toStdString(); }
  void Press(const char* button) { Find<QPushButton>(button).click(); }
  std::string Message() { return window->MessageText(); }
  int16_t Addressed() { return sim->system.motCon.Motor().MotorAddress; }
  bool Ims() const { return GetParam() == "config/demo-im483i"; }
  // The first unit of each demonstration line: the X stage.
  char X() const { return Ims() ? 'X' : '1'; }
  char Y() const { return Ims() ? 'Y' : '2'; }
  char Z() const { return Ims() ? 'Z' : '3'; }
  std::string List(std::initializer_list<char> units) {
    std::string text;
    for (char unit : units)
      text += std::string(1, unit) + "\r\n";
    return text;
  }
  static void Remove(sim::LinePlan& plan, char address) {
    std::erase_if(plan.units, [address](const sim::UnitPlan& u) { return u.address == address; });
  }

  std::unique_ptr<Sim> sim;
  MainWindow* window = nullptr;
};

TEST_P(AxesTabTest, OnlyAnsweringUnitsAreOfferedAndChoosingOneAddressesIt) {
  const char y = Y();
  Open(List({X(), Y(), Z()}), [y](sim::LinePlan& plan) { Remove(plan, y); });
  ShowAxes();
  EXPECT_EQ(Captions(), (std::string{X(), ';', Z(), ';'}));
  EXPECT_TRUE(Units()[1]->isChecked());  // the last unit offered is chosen
  Units()[0]->click();
  EXPECT_EQ(Addressed(), X());
  Units()[1]->click();
  EXPECT_EQ(Addressed(), Z());

  // Later showings probe nothing again and address the chosen unit once more.
  window->Tabs().setCurrentIndex(0);
  sim->system.motCon.MotorSelect(X());
  sim->line.ClearFrames();
  ShowAxes();
  EXPECT_EQ(Addressed(), Z());
  EXPECT_TRUE(sim->line.Frames().empty());
  EXPECT_EQ(Units().size(), 2u);
}

TEST_P(AxesTabTest, SwitchingUnitsRestoresWhatWasTypedAndRead) {
  Open(List({X(), Y()}));
  ShowAxes();
  Units()[0]->click();
  Type("txtDistance", "250");
  Type("cboDestin", "1200");
  Type("txtHomeSpeed", "500");
  Type("txtOut0", "1");
  Type("txtOut2", "1");
  Type("txtJogSpeed", "300");
  window->Axes().AddDestination();
  ASSERT_EQ(sim->Run("XY 100 0;XY Wait"), "OK  ; OK  ; ");
  Press("btnReadPos");
  Press("btnReadLim");
  Press("btnReadP");
  const std::array<std::string, 5> read = {Label("lblPos"), Label("lblLimHrdw"), Label("lblIn0"),
                                           Label("lblIn1"), Label("lblIn2")};
  EXPECT_NE(read[0], Str(0));

  Units()[1]->click();
  EXPECT_EQ(Text("txtDistance"), Str(0));
  EXPECT_EQ(Find<QComboBox>("cboDestin").count(), 0);
  EXPECT_EQ(Label("lblPos"), Str(0));

  Units()[0]->click();
  EXPECT_EQ(Text("txtDistance"), Str(250));
  EXPECT_EQ(Find<QComboBox>("cboDestin").currentText().toStdString(), Str(1200));
  EXPECT_EQ(Find<QComboBox>("cboDestin").count(), 1);
  EXPECT_EQ(Text("txtHomeSpeed"), Str(500));
  EXPECT_EQ(Text("txtOut0") + Text("txtOut1") + Text("txtOut2"), "101");
  EXPECT_EQ(Text("txtJogSpeed"), Str(0));  // nothing remembers the jog speed
  EXPECT_EQ(Label("lblPos"), read[0]);
  EXPECT_EQ(Label("lblLimHrdw"), read[1]);
  // A failed port read (the EZHR17 has none) is remembered as -1 and shown as such.
  for (int i = 0; i < 3; ++i) {
    const std::string port = Label(("lblIn" + std::to_string(i)).c_str());
    EXPECT_EQ(port, read[i + 2].empty() ? "-1" : read[i + 2]);
  }
}

// Each button on the X stage, in an order that lets one build on the last: the fields it
// reads, what the message line shows (nothing new for the jog buttons and the sign flips), and
// what the unit or the panel shows for it.
TEST_P(AxesTabTest, EachButtonShowsItsResult) {
  Open(List({X()}));
  ShowAxes();
  auto unit = [this] { return sim->State(X()); };
  auto wait = [this] { return sim->system.motCon.MotorWaitMoveEnd() == 1; };
  auto status = [](int16_t result) { return "Status =" + Str(result); };
  auto limits = [&] { return (unit().lowEnd ? 1 : 0) | (unit().highEnd ? 2 : 0); };
  const int16_t ports = Ims() ? 1 : 0;  // the EZHR17 has no ports to read
  struct Case {
    const char* button;
    std::vector<std::pair<const char*, std::string>> fields;
    std::optional<std::string> shown;  // empty: the message line stays as it was
    std::function<bool()> done;
  };
  const std::vector<Case> cases = {
      {"btnMovAbs",
       {{"cboDestin", "3200"}},
       status(1),
       [&] { return wait() && unit().counter == 3200; }},
      {"btnMovRel",
       {{"txtDistance", "-1200"}},
       status(1),
       [&] { return wait() && unit().counter == 2000; }},
      {"btnReadPos", {}, status(1), [&] { return Label("lblPos") == Str(2000); }},
      {"btnReadMovingStatus", {}, status(0), [&] { return Label("lblLimHrdw") == "0"; }},
      {"btnSetOrig", {}, status(1), [&] { return unit().counter == 0; }},
      {"cmdApplyJ", {{"txtJogSpeed", "-2000"}}, {}, [&] { return unit().moving; }},
      {"cmdStopJ", {}, {}, [&] { return !unit().moving; }},
      {"btnJogSpeedInv", {}, {}, [&] { return Text("txtJogSpeed") == Str(2000); }},
      {"btnDistInv", {}, {}, [&] { return Text("txtDistance") == Str(1200); }},
      // The IM483I backs off the limit it found; the EZHR17 stays on it.
      {"btnToLim", {{"txtHomeSpeed", "-3000"}}, "Limit = 1", [&] { return unit().load < 1600; }},
      {"btnReadLim", {}, status(1), [&] { return Label("lblLimHrdw") == GeneralText(limits()); }},
      {"btnReadHardw", {}, status(1), [&] { return Label("lblLimHrdw") != "-1"; }},
      {"btnHome",
       {{"txtHomeSpeed", "3000"}},
       "Home started, Status: 1",
       [&] { return wait() && (Ims() || unit().counter == 0); }},  // only Z zeroes the count
      {"btnHSmart", {}, "Status: 1", [&] { return !unit().moving; }},
      {"btnHOwn", {{"txtHomeSpeed", "300"}}, "Status: 1", [&] { return !unit().moving; }},
      {"btnWriteP",
       {{"txtOut0", "1"}, {"txtOut1", "0"}, {"txtOut2", "1"}},
       status(1),
       [&] { return unit().outputs != 0; }},
      {"btnReadOP",
       {},
       status(ports),
       [&] {
         return Label("lblIn0") == (Ims() ? "1" : "") && Label("lblIn1") == (Ims() ? "0" : "");
       }},
      {"btnReadP", {}, status(ports), [&] { return (Label("lblIn0") != "") == Ims(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    for (const auto& [field, text] : c.fields)
      Type(field, text);
    window->SetMessage("before");
    Press(c.button);
    EXPECT_EQ(Message(), c.shown.value_or("before"));
    EXPECT_TRUE(c.done());
    EXPECT_EQ(sim->system.state.CommandBusy, 0);
  }
}

// A field that does not read as a number stops its button with its message, and nothing goes
// out on the line; so does an output value other than 0 or 1.
TEST_P(AxesTabTest, BadInputShowsItsMessageAndSendsNothing) {
  Open(List({X()}));
  ShowAxes();
  struct Case {
    const char* field;
    const char* text;
    const char* button;  // nullptr: the menu entry "Add Destination"
    const char* shown;
  };
  const Case cases[] = {
      {"txtHomeSpeed", "fast", "btnHome", "Bad home speed value"},
      {"txtHomeSpeed", "40000", "btnHOwn", "Bad home speed value"},  // not a 16-bit number
      {"txtHomeSpeed", "", "btnHSmart", "Bad home speed value"},
      {"txtHomeSpeed", "1,5", "btnToLim", "Bad home speed value"},
      {"txtJogSpeed", "x", "cmdApplyJ", "Bad Jog Speed Value"},
      {"txtJogSpeed", "3e10", "btnJogSpeedInv", "Bad Jog Speed Value"},
      {"cboDestin", "12a", "btnMovAbs", "Bad destination value"},
      {"cboDestin", "0x10", nullptr, "Bad destination value"},
      {"txtDistance", "-", "btnMovRel", "Bad travel distance value"},
      {"txtDistance", "1.2.3", "btnDistInv", "Bad travel distance value"},
      {"txtOut1", "2", "btnWriteP", "Output values must be 0 or 1"},
      {"txtOut1", "-1", "btnWriteP", "Output values must be 0 or 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.field) + "=" + c.text);
    Type("txtOut0", "0");
    Type("txtOut1", "0");
    Type(c.field, c.text);
    sim->line.ClearFrames();
    const int destinations = Find<QComboBox>("cboDestin").count();
    if (c.button != nullptr) {
      Press(c.button);
    } else {
      window->Axes().AddDestination();
    }
    EXPECT_EQ(Message(), c.shown);
    EXPECT_TRUE(sim->line.Frames().empty());
    EXPECT_EQ(Find<QComboBox>("cboDestin").count(), destinations);
  }
  // The stores refuse such text too and keep the last good value.
  Type("txtDistance", "75");
  Type("txtDistance", "7 5");
  EXPECT_EQ(Message(), "Bad value");
  EXPECT_EQ(sim->system.axes.CurrentRecord().Distance, 75);
}

TEST_P(AxesTabTest, UnitsBeyondTheTableAreIgnoredWithAMessage) {
  // 33 answering units: the line's own and copies of the X stage under further addresses.
  std::string extra;
  for (char c = 'a'; c < 'a' + 26; ++c)
    extra += c;
  extra += "!\"#$%&'";
  std::string list;
  for (char c : extra)
    list += std::string(1, c) + " unit\r\n";
  Open(list, [&extra](sim::LinePlan& plan) {
    const sim::UnitPlan x = plan.units.front();
    for (char c : extra) {
      plan.units.push_back(x);
      plan.units.back().address = c;
    }
  });
  ShowAxes();
  ASSERT_EQ(Units().size(), static_cast<size_t>(kMaxAxes));
  EXPECT_EQ(Units().back()->text().toStdString(), std::string(1, extra[kMaxAxes - 1]) + " unit");
  EXPECT_EQ(Addressed(), extra[kMaxAxes - 1]);
  EXPECT_NE(Message().find(std::string(1, extra[kMaxAxes]) + " unit"), std::string::npos);
  EXPECT_NE(Message().find(std::string(1, extra[kMaxAxes + 1]) + " unit"), std::string::npos);

  // "Add Axis" cannot add to a full table either.
  window->Axes().SetInputBox([](const std::string&, const std::string&) { return "Q"; });
  sim->line.ClearFrames();
  window->Axes().AskAddAxis();
  EXPECT_EQ(Units().size(), static_cast<size_t>(kMaxAxes));
  EXPECT_TRUE(sim->line.Frames().empty());
}

// "Add Axis" probes the unit typed and offers it when it answers.
TEST_P(AxesTabTest, AddAxisOffersAFurtherAnsweringUnit) {
  Open(List({X()}));
  ShowAxes();
  std::string answer;
  window->Axes().SetInputBox([&answer](const std::string&, const std::string&) { return answer; });
  for (const std::string& typed :
       {std::string(1, Y()) + " Y stage", std::string("?"), std::string(1, X())}) {
    answer = typed;
    window->Axes().AskAddAxis();
  }
  EXPECT_EQ(Captions(), (std::string{X(), ';', Y()} + " Y stage;"));
  EXPECT_EQ(Message(), std::string("Unit ") + X() + " is offered already");
  EXPECT_EQ(Addressed(), Y());
}

INSTANTIATE_TEST_SUITE_P(Lines, AxesTabTest, ::testing::Values("config/demo", "config/demo-im483i"),
                         LineName{});

}  // namespace
}  // namespace qv::test
