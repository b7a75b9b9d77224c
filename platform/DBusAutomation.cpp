#include "platform/DBusAutomation.h"

#include <poll.h>

#include <QCoreApplication>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "commands/ReplyEscape.h"

namespace qv {

namespace {

constexpr const char* kCmdInterface = "org.quorvalin.Quorvalin.QuorvalinCmd";
constexpr const char* kCommandInterface = "org.quorvalin.Quorvalin.Command";

QString Why(const char* what, int negativeErrno) {
  return QString(what) + ": " + std::strerror(-negativeErrno);
}

}  // namespace

DBusAutomation::DBusAutomation(Automation& automation, CommandDispatcher& dispatcher,
                               CommandSource& windowSource, Clock& clock)
    : automation_(automation), dispatcher_(dispatcher), windowSource_(windowSource), clock_(clock) {
  due_.setSingleShot(true);
  connect(&due_, &QTimer::timeout, this, &DBusAutomation::Process);
}

DBusAutomation::~DBusAutomation() {
  for (const Call& call : calls_)
    sd_bus_message_unref(call.message);
  readable_.reset();
  writable_.reset();
  sd_bus_flush_close_unref(bus_);  // the last replies still reach their clients
}

bool DBusAutomation::Register(QString& error) {
  static const sd_bus_vtable kCmdVtable[] = {
      SD_BUS_VTABLE_START(0),
      SD_BUS_METHOD_WITH_NAMES("Exec", "s", SD_BUS_PARAM(cmd), "s", SD_BUS_PARAM(replies), OnMethod,
                               SD_BUS_VTABLE_UNPRIVILEGED),
      SD_BUS_METHOD("Release", "", "", OnMethod, SD_BUS_VTABLE_UNPRIVILEGED),
      SD_BUS_VTABLE_END,
  };
  static const sd_bus_vtable kCommandVtable[] = {
      SD_BUS_VTABLE_START(0),
      SD_BUS_METHOD_WITH_NAMES("Execute", "s", SD_BUS_PARAM(command), "", , OnMethod,
                               SD_BUS_VTABLE_UNPRIVILEGED),
      SD_BUS_VTABLE_END,
  };
  int r = sd_bus_open_user(&bus_);  // DBUS_SESSION_BUS_ADDRESS, else the user's runtime folder
  if (r < 0) {
    error = Why("no session bus", r);
    return false;
  }
  if ((r = sd_bus_add_object_vtable(bus_, nullptr, "/QuorvalinCmd", kCmdInterface, kCmdVtable,
                                    this)) < 0 ||
      (r = sd_bus_add_object_vtable(bus_, nullptr, "/Command", kCommandInterface, kCommandVtable,
                                    this)) < 0) {
    error = Why("cannot register the automation objects", r);
    return false;
  }
  // Every connection that leaves the bus, so that a client's object goes with it.
  if ((r = sd_bus_match_signal(bus_, nullptr, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                               "org.freedesktop.DBus", "NameOwnerChanged", OnNameOwnerChanged,
                               this)) < 0 ||
      (r = sd_bus_match_signal(bus_, nullptr, nullptr, "/org/freedesktop/DBus/Local",
                               "org.freedesktop.DBus.Local", "Disconnected", OnDisconnected,
                               this)) < 0) {
    error = Why("cannot watch the bus", r);
    return false;
  }
  if ((r = sd_bus_request_name(bus_, kServiceName, 0)) < 0) {
    error = Why((std::string("the bus name ") + kServiceName + " is taken").c_str(), r);
    return false;
  }
  const int fd = sd_bus_get_fd(bus_);
  readable_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  writable_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
  connect(readable_.get(), &QSocketNotifier::activated, this, &DBusAutomation::Process);
  connect(writable_.get(), &QSocketNotifier::activated, this, &DBusAutomation::Process);
  // Calls may already wait in sd-bus's queue, read while the name was requested.
  QTimer::singleShot(0, this, &DBusAutomation::Process);
  WatchBus();
  return true;
}

int DBusAutomation::OnMethod(sd_bus_message* message, void* self, sd_bus_error* /*error*/) {
  auto& server = *static_cast<DBusAutomation*>(self);
  const std::string member = sd_bus_message_get_member(message);
  Call call{Call::Kind::Exec, message, sd_bus_message_get_sender(message), {}};
  if (member == "Release") {
    call.kind = Call::Kind::Release;
  } else {
    const char* text = nullptr;
    const int r = sd_bus_message_read(message, "s", &text);
    if (r < 0) return r;
    call.text = text;
    if (member == "Execute") call.kind = Call::Kind::Execute;
  }
  // Answered later, outside sd-bus's dispatch, which does not nest.
  sd_bus_message_ref(message);
  server.calls_.push_back(std::move(call));
  return 1;
}

int DBusAutomation::OnNameOwnerChanged(sd_bus_message* message, void* self, sd_bus_error*) {
  const char *name = nullptr, *oldOwner = nullptr, *newOwner = nullptr;
  if (sd_bus_message_read(message, "sss", &name, &oldOwner, &newOwner) < 0) return 0;
  if (name[0] == ':' && newOwner[0] == '\0') {
    static_cast<DBusAutomation*>(self)->calls_.push_back({Call::Kind::Left, nullptr, name, {}});
  }
  return 0;
}

int DBusAutomation::OnDisconnected(sd_bus_message*, void* self, sd_bus_error*) {
  static_cast<DBusAutomation*>(self)->lost_ = true;
  return 0;
}

void DBusAutomation::Process() {
  if (bus_ == nullptr || lost_) return;
  int r;
  while ((r = sd_bus_process(bus_, nullptr)) > 0) {
  }
  if (r < 0 || lost_) {
    Lose();
    return;
  }
  while (!calls_.empty() && !lost_) {
    const Call call = calls_.front();
    calls_.pop_front();
    Serve(call);  // may serve later calls itself, from a wait that lets events run
  }
  if (!lost_) WatchBus();
}

void DBusAutomation::Serve(const Call& call) {
  switch (call.kind) {
    case Call::Kind::Exec: {
      const std::string reply = ReplyToBusText(automation_.Exec(call.client, call.text));
      Answer(call.message, &reply);
      break;
    }
    case Call::Kind::Release:
      automation_.ReleaseObject(call.client);
      Answer(call.message, nullptr);
      break;
    case Call::Kind::Execute:
      dispatcher_.ExecuteFromWindow(windowSource_, call.text, clock_);
      Answer(call.message, nullptr);
      break;
    case Call::Kind::Left:
      automation_.ReleaseObject(call.client);
      break;
  }
  EndIfUnused();  // also after a call whose client left while it ran
}

void DBusAutomation::Answer(sd_bus_message* message, const std::string* text) {
  if (!lost_) {
    if (text != nullptr) {
      sd_bus_reply_method_return(message, "s", text->c_str());
    } else {
      sd_bus_reply_method_return(message, "");
    }
  }
  sd_bus_message_unref(message);
}

void DBusAutomation::WatchBus() {
  writable_->setEnabled((sd_bus_get_events(bus_) & POLLOUT) != 0);
  uint64_t due = 0;  // µs on CLOCK_MONOTONIC
  if (sd_bus_get_timeout(bus_, &due) <= 0 || due == UINT64_MAX) {
    due_.stop();
    return;
  }
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const uint64_t nowUs = static_cast<uint64_t>(now.tv_sec) * 1000000u + now.tv_nsec / 1000;
  due_.start(due <= nowUs ? 0 : static_cast<int>((due - nowUs + 999) / 1000));
}

void DBusAutomation::Lose() {
  lost_ = true;
  readable_->setEnabled(false);
  writable_->setEnabled(false);
  due_.stop();
  for (const Call& call : calls_)
    sd_bus_message_unref(call.message);
  calls_.clear();               // their clients went with the bus
  automation_.ReleaseAll(":");  // every unique bus name begins with ":"
  if (busLost_) busLost_();
  EndIfUnused();
}

void DBusAutomation::EndIfUnused() {
  if (automation_.MayEnd()) QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

}  // namespace qv
