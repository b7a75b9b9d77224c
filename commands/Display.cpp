#include "commands/Display.h"

namespace qv {

void Display::ShowCmdAndReply(const std::string& command, const std::string& reply) {
  if (!MainFormLoaded()) return;
  ShowCmd(command);
  frontEnd_.SetMessage(reply);
}

void Display::ShowReply(const std::string& reply) {
  if (MainFormLoaded()) frontEnd_.SetMessage(reply);
}

void Display::ShowCmd(const std::string& text) {
  if (!MainFormLoaded()) return;
  frontEnd_.SetCommandText(text);
  shownCmd_ = frontEnd_.CommandText();
}

void Display::PrefixCmd(const std::string& word) {
  if (MainFormLoaded()) frontEnd_.SetCommandText(word + " " + frontEnd_.CommandText());
}

void Display::EnterCmd(const std::string& text) {
  if (MainFormLoaded()) frontEnd_.SetCommandText(text);
}

std::optional<std::string> Display::OperatorCmd() const {
  if (!MainFormLoaded()) return std::nullopt;
  std::string text = frontEnd_.CommandText();
  if (text == shownCmd_) return std::nullopt;
  return text;
}

std::string Display::ListForms() const {
  std::string text;
  for (const auto& [name, caption] : frontEnd_.LoadedForms()) {
    text += caption + " (" + name + ")\n";
  }
  return text;
}

}  // namespace qv
