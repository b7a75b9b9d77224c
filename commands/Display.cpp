#include "commands/Display.h"

namespace qv {

void Display::ShowCmdAndReply(const std::string& command, const std::string& reply) {
  if (!MainFormLoaded()) return;
  frontEnd_.SetCommandText(command);
  frontEnd_.SetMessage(reply);
}

void Display::ShowReply(const std::string& reply) {
  if (MainFormLoaded()) frontEnd_.SetMessage(reply);
}

void Display::ShowCmd(const std::string& text) {
  if (MainFormLoaded()) frontEnd_.SetCommandText(text);
}

void Display::PrefixCmd(const std::string& word) {
  if (MainFormLoaded()) frontEnd_.SetCommandText(word + " " + frontEnd_.CommandText());
}

std::string Display::ListForms() const {
  std::string text;
  for (const auto& [name, caption] : frontEnd_.LoadedForms()) {
    text += caption + " (" + name + ")\n";
  }
  return text;
}

}  // namespace qv
