#include "support/window_exchange_prompter.h"

#include <QString>

#include "dialogs/prompts.h"

namespace scanvale {

void WindowExchangePrompter::ShowMessage(const ExchangeMessage& message) {
  if (Dismissed()) return;
  const Prompts::Icon icon = message.icon == ExchangeMessage::Icon::kInformation
                                 ? Prompts::Icon::Information
                                 : Prompts::Icon::None;
  ActivePrompts().Message(parent_, QString::fromStdString(message.Text()),
                          QString::fromStdString(message.Caption()), icon);
}

}  // namespace scanvale
