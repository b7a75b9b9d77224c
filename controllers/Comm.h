#pragma once
// The one serial line that carries every controller: opening and closing the port, sending a
// command with its terminator, collecting one reply within the port time-out, and the ring of
// the latest channel messages.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "controllers/Delay32.h"
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
  bool CommOpenPort(int16_t port);
  bool CommClosePort();

  void CommSetTimeout(int16_t ms) { commTimeoutMs_ = ms; }
  void CommSetTxTerm(int16_t code) { txTerm_ = code; }
  void CommSetRxTerm(int16_t code) { rxTerm_ = code; }
  void CommSetRxTerm2(int16_t code) { rxTerm2_ = code; }
  int16_t CommTimeoutMs() const { return commTimeoutMs_; }

  // 1 sent, -1 fault. The receive buffer is not emptied first: late bytes of an earlier
  // exchange start the next reply.
  int16_t CommOut(const std::string& text);
  // One reply ending in RxTerm (CommIn) or in RxTerm RxTerm2 (CommIn2), terminators removed;
  // 1 complete, -1 time-out or fault (the partial reply is handed back).
  int16_t CommIn(std::string& reply);
  int16_t CommIn2(std::string& reply);
  int16_t CommOutIn(const std::string& text, std::string& reply);
  int16_t CommOutIn2(const std::string& text, std::string& reply);

  void CommLogAdd(const std::string& message);
  void CommLogShow(const std::string& message);
  void CommLogAppend(const std::string& message);
  // The ring, oldest first, each message followed by CR LF.
  std::string CommLogText() const;
  void CommSetLogDisplay(CommLogDisplay display) { display_ = std::move(display); }

  // An error event of the port ("ERROR #" and its code); other events are ignored.
  void OnCommEvent(int code);

 private:
  int16_t Collect(std::string& reply, bool twoCharacterEnd, const char* faultWord);
  void ShowFault(const char* word);

  SerialPort& port_;
  Clock& clock_;
  std::string portName_;
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
