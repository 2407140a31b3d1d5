#include <filesystem>
#include <iostream>
#include <utility>

#include "Batch.h"
#include "common/FloatingPoint.h"
#include "common/InputError.h"
#include "common/QuotedText.h"
#include "common/TextToFloat.h"
#include "store/Loading.h"

namespace ombrane::batch {
namespace {

// Longest part of an argument echoed in a message.
constexpr size_t kQuotedArgumentLength = 60;

// Severity of an exit code, for Worst.
int Severity(int code) {
  switch (code) {
    case kExitOk:
      return 0;
    case kExitPartial:
      return 1;
    case kExitFailed:
      return 2;
    default:
      return 3;
  }
}

// A path as it is named in the output: as given, or quoted when it holds characters that
// would not show as themselves.
std::string Shown(std::string_view path) {
  std::string quoted = QuotedText(path, path.size());
  return quoted.size() == path.size() + 2 ? std::string(path) : quoted;
}

// Loads one file and runs the command on it; returns the file's exit code.
int RunOnFile(std::string_view file, const std::function<int(Records&)>& each) {
  Records r;
  const std::string path(file);
  const std::string shown = Shown(file);
  const std::string name = std::filesystem::path(path).filename().string();
  const PhotometryReadResult read = LoadPhotometry(
      {.path = path, .fileName = name.empty() ? path : name, .shownName = shown}, *r.data, *r.star, *r.view);
  for (const std::string& message : read.messages) PrintError(message);
  if (!read.opened) return kExitUsage;
  ApplyNewObjectDefaults(*r.star, *r.view);
  ApplyLoadedNightState(*r.view);
  if (r.data->pointCount < 1) {
    PrintError("No observations in " + shown + ".");
    return kExitFailed;  // worse than a partial read
  }
  // A file read only in part gives its own code after its results, so that scripts notice.
  const int readCode = read.partial ? kExitPartial : kExitOk;
  try {
    return Worst(each(r), readCode);
  } catch (const FloatingPointError& error) {
    PrintError(error.what());
    if (!r.activity.empty())
      PrintError("while " + r.activity + (error.detail().empty() ? "" : ": " + error.detail()));
  } catch (const InputError& error) {
    PrintError(error.what());
  }
  return kExitFailed;
}

}  // namespace

int Worst(int a, int b) {
  return Severity(a) >= Severity(b) ? a : b;
}

std::string Quoted(std::string_view argument) {
  return QuotedText(argument, kQuotedArgumentLength);
}

void Invocation::Set(std::string_view option, std::string_view value) {
  SetValues(option, {value});
}

void Invocation::SetValues(std::string_view option, std::vector<std::string_view> values) {
  for (auto& [name, texts] : options_)
    if (name == option) {
      texts = std::move(values);
      return;
    }
  options_.emplace_back(option, std::move(values));
}

std::vector<std::string_view> Invocation::Values(std::string_view option) const {
  for (const auto& [name, texts] : options_)
    if (name == option) return texts;
  return {};
}

bool Invocation::Has(std::string_view option) const {
  return Text(option).has_value();
}

std::optional<std::string_view> Invocation::Text(std::string_view option) const {
  for (const auto& [name, texts] : options_)
    if (name == option) return texts.empty() ? std::string_view() : texts.front();
  return std::nullopt;
}

std::optional<long double> Invocation::Number(std::string_view option) const {
  const std::optional<std::string_view> text = Text(option);
  if (!text) return std::nullopt;
  try {
    return TextToFloat(*text, '.');
  } catch (const ConversionError&) {
    throw UsageError(std::string(option) + ": " + Quoted(*text) + " is not a valid floating point value");
  }
}

void Print(std::string_view line) {
  std::cout << line << '\n' << std::flush;
}

void PrintError(std::string_view line) {
  std::cerr << line << '\n' << std::flush;
}

int ForEachPhotometryFile(const Invocation& invocation, const std::function<int(Records&)>& each) {
  int worst = kExitOk;
  const bool several = invocation.operands.size() > 1;
  for (std::string_view file : invocation.operands) {
    if (several) Print("== " + Shown(file));
    worst = Worst(worst, RunOnFile(file, each));
  }
  return worst;
}

}  // namespace ombrane::batch
