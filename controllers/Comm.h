#pragma once
// The one serial line that carries every controller: opening and closing the port, sending a
// command with its terminator, collecting one reply within the port time-out, and the ring of
// the latest channel messages.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "controllers/Clock.h"
#include "controllers/SerialPort.h"

namespace qv {

inline constexpr int kCommLogSize = 101;
inline constexpr int16_t kDefaultCommTimeoutMs = 1000;

// Where channel messages are shown besides the ring: the main window's message line.
struct CommLogDisplay {
  std::function<std::string()> text;
  std::function<void(const std::string&)> setText;
};

class Comm {
 public:
  Comm(SerialPort& port, Clock& clock) : port_(port), clock_(clock) {}

  // Prepares the channel: time-out 1000 ms, no display, an empty ring, ready. The controller
  // dispatch sets the terminators.
  void CommInit();
  void CommExit();
  int16_t CommIsReady() const { return commReady_; }

  // A device path that replaces the port number (PORTNAME of the configuration).
  void SetPortName(std::string device) { portName_ = std::move(device); }
  // Opens port number `port` (or the port name) with 9600,N,8,1; whether it is open afterwards.
  // A line opened here that goes away (adapter unplugged, other end closed) is logged once;
  // every exchange then fails at once until one finds the device again and reopens it.
  bool CommOpenPort(int16_t port);
  bool CommClosePort();

  void CommSetTimeout(int16_t ms) { commTimeoutMs_ = ms; }
  void CommSetTxTerm(int16_t code) { txTerm_ = code; }
  void CommSetRxTerm(int16_t code) { rxTerm_ = code; }
  void CommSetRxTerm2(int16_t code) { rxTerm2_ = code; }
  int16_t CommTimeoutMs() const { return commTimeoutMs_; }
  // Whether, after a reply did not come in time, the next command waits one more time-out for
  // it (on by default). Off where units are expected to be absent, as when they are woken.
  void CommAwaitLateReplies(bool on) { awaitLateReplies_ = on; }
  bool CommAwaitsLateReplies() const { return awaitLateReplies_; }

  // Whether it was sent (false: a fault). Bytes still waiting from an earlier exchange that gave up
  // are discarded (and logged) first, so that they are never taken for this command's reply.
  bool CommOut(const std::string& text);
  // One reply ending in RxTerm (CommIn) or in RxTerm RxTerm2 (CommIn2), terminators removed;
  // whether it came complete (false: time-out or fault; the partial reply is handed back).
  bool CommIn(std::string& reply);
  bool CommIn2(std::string& reply);
  bool CommOutIn(const std::string& text, std::string& reply);
  bool CommOutIn2(const std::string& text, std::string& reply);

  // Sends `question` and reads replies (ending as CommIn2's when `doubleTerminated`, else as
  // CommIn's) for up to `timeouts` port time-outs, until one `isAnswer`; the replies before it
  // are logged as late. True when the answer came; `last` holds the last text read. The port
  // time-out is as it was afterwards.
  bool CommAwaitAnswer(const std::string& question, int timeouts, bool doubleTerminated,
                       const std::function<bool(const std::string&)>& isAnswer, std::string& last);

  // "Late reply discarded: " and the bytes, control codes written as "<code>".
  void CommLogLateReply(const std::string& bytes);
  void CommLogAdd(const std::string& message);
  void CommLogShow(const std::string& message);
  void CommLogAppend(const std::string& message);
  // The ring, oldest first, each message followed by CR LF.
  std::string CommLogText() const;
  void CommSetLogDisplay(CommLogDisplay display) { display_ = std::move(display); }

  // Whether the line opened last has gone away without being closed (a pulled adapter, an ended
  // simulator); logged once when first noticed.
  bool LineLost();

  // An error event of the port ("ERROR #" and its code); other events are ignored. An event
  // that comes again within one exchange only counts up its first message, so a failing port
  // cannot push the commands and time-outs that explain it out of the ring.
  void OnCommEvent(int code);

 private:
  struct EventTally {
    int code;           // event code
    int slot;           // ring slot of its message
    int count;          // times it came in this exchange
    std::string shown;  // the message as it stands in that slot
  };

  enum class Gathered { kComplete, kTimedOut, kLost };
  struct LateReply {
    bool awaited = false;          // an exchange gave up and its unit may still answer
    int32_t untilMs = 0;           // TimeMs up to which that answer is waited for
    bool twoCharacterEnd = false;  // how that answer ends
  };

  bool Collect(std::string& reply, bool twoCharacterEnd, const char* faultWord);
  Gathered Gather(std::string& collected, int32_t start, int32_t limitMs, bool twoCharacterEnd,
                  const char* faultWord);
  size_t ReplyEnd(const std::string& text, bool twoCharacterEnd) const;
  void ShowFault(const char* word);
  bool LineBack();
  void DiscardLateReply();

  SerialPort& port_;
  Clock& clock_;
  std::string portName_;
  std::string device_;  // device of the line opened by CommOpenPort; empty when closed on purpose
  bool lineLost_ = false;  // that device went away; the next exchange tries to open it again
  std::vector<EventTally> events_;  // error events of the current exchange
  bool awaitLateReplies_ = true;
  LateReply lateReply_;
  int16_t commReady_ = 0;
  int16_t commTimeoutMs_ = kDefaultCommTimeoutMs;  // ms, longest wait for one reply
  int16_t txTerm_ = 13;                            // character code appended to every command
  int16_t rxTerm_ = 13;                            // last (or next-to-last) code of a reply
  int16_t rxTerm2_ = 10;                           // last code of a two-character reply end
  std::array<std::string, kCommLogSize> log_{};
  int commLogNext_ = 0;  // slot the next message overwrites
  CommLogDisplay display_;
};

}  // namespace qv
