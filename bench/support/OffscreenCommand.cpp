#include "support/OffscreenCommand.h"

extern char** environ;

namespace zel::bench {

OffscreenCommand::OffscreenCommand(std::vector<std::string> args) : args_(std::move(args)) {
  env_.emplace_back("QT_QPA_PLATFORM=offscreen");
  for (char** e = environ; *e; ++e)
    if (std::string(*e).rfind("QT_QPA_PLATFORM=", 0) != 0) env_.emplace_back(*e);
  for (auto& a : args_) argv_.push_back(a.data());
  argv_.push_back(nullptr);
  for (auto& e : env_) envp_.push_back(e.data());
  envp_.push_back(nullptr);
}

}  // namespace zel::bench
