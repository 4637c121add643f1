// The command line of the keltrane host: options, subcommands, exit codes.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>

#include "args.h"
#include "host.h"
#include "init.h"
#include "system.h"

namespace kt::host {

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

void Print(const json& j) {
  std::cout << Dump(j) << std::endl;
}

int RunCall(Host& host, const std::string& target, const std::string& member,
            const std::vector<std::string>& argv) {
  const ClassRef& cls = host.ResolveClass(target);
  CallRequest request{member, {}};
  for (const std::string& a : argv) request.args.push_back(ParseArg(a));
  json failure;
  IDispatch* object = host.Create(cls, &failure);
  if (object == nullptr) {
    Print(failure);
    return kFailed;
  }
  bool ok = false;
  json out;
  try {
    out = host.Call(object, cls, request, &ok);
  } catch (...) {
    object->Release();
    throw;
  }
  object->Release();
  Print(out);
  return ok ? kOk : kFailed;
}

// One line of a batch; objects live from "new" to "release".
json BatchLine(Host& host, const std::string& line,
               std::map<std::string, std::pair<IDispatch*, const ClassRef*>>& objects, bool* failed) {
  try {
    json in = ParseJson(line);
    if (in.is_discarded() || !in.is_object()) return {{"usage", "not a JSON object: " + line}};
    if (in.contains("new")) {
      if (!in["new"].is_string() || !in.contains("target") || !in["target"].is_string())
        return {{"usage", "\"new\" needs a name and a \"target\" string"}};
      const ClassRef& cls = host.ResolveClass(in["target"].get<std::string>());
      const std::string name = in["new"].get<std::string>();
      json failure;
      IDispatch* object = host.Create(cls, &failure);
      if (object == nullptr) {
        *failed = true;
        return failure;
      }
      if (auto old = objects.find(name); old != objects.end()) old->second.first->Release();
      objects[name] = {object, &cls};
      return {{"ok", true}};
    }
    if (in.contains("call")) {
      if (!in["call"].is_string() || !in.contains("member") || !in["member"].is_string())
        return {{"usage", "\"call\" needs an object name and a \"member\" string"}};
      auto it = objects.find(in["call"].get<std::string>());
      if (it == objects.end()) return {{"usage", "no object named " + Dump(in["call"])}};
      CallRequest request{in["member"].get<std::string>(), {}};
      if (in.contains("args")) {
        if (!in["args"].is_array()) return {{"usage", "\"args\" must be a list"}};
        for (const json& a : in["args"]) request.args.push_back(a);
      }
      bool ok = false;
      json out = host.Call(it->second.first, *it->second.second, request, &ok);
      if (!ok) *failed = true;
      return out;
    }
    if (in.contains("release")) {
      auto it = in["release"].is_string() ? objects.find(in["release"].get<std::string>()) : objects.end();
      if (it == objects.end()) return {{"usage", "no object named " + Dump(in["release"])}};
      it->second.first->Release();
      objects.erase(it);
      return {{"ok", true}};
    }
  } catch (const UsageError& e) {
    return {{"usage", e.message}};
  } catch (const nlohmann::json::exception& e) {  // a line the checks above let through: the batch goes on
    return {{"usage", std::string("malformed line: ") + e.what()}};
  }
  return {{"usage", "a line needs \"new\", \"call\" or \"release\": " + line}};
}

int RunBatch(Host& host, const std::string& file) {
  std::ifstream stream;
  if (!file.empty()) {
    stream.open(file);
    if (!stream) throw UsageError{"cannot read " + file};
  }
  std::istream& input = file.empty() ? std::cin : stream;
  std::map<std::string, std::pair<IDispatch*, const ClassRef*>> objects;
  bool failed = false;
  std::string line;
  while (std::getline(input, line)) {
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    Print(BatchLine(host, line, objects, &failed));
  }
  for (auto& [name, object] : objects) object.first->Release();
  return failed ? kFailed : kOk;
}

int RunRegistration(Host& host, bool install) {
  HRESULT hr = install ? host.Register() : host.Unregister();
  json out = Host::FailureObject(hr);
  out.erase("result");
  out.erase("args");
  out["registry"] = RegistrationPlace();
  Print(out);
  return SUCCEEDED(hr) ? kOk : kFailed;
}

// Where the words of `call` stop being options and positionals and become
// the member's arguments: after "call TARGET MEMBER".  Options before "call"
// that take a value skip it, so "--db call" is not mistaken for the command.
// words.size() when there are no such arguments (or no call at all).
size_t CallArgumentsStart(const CLI::App& app, const std::vector<std::string>& words) {
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (w == "--") return words.size();
    if (w.size() > 1 && w[0] == '-') {
      if (w.find('=') != std::string::npos) continue;
      const CLI::Option* option = app.get_option_no_throw(w);
      if (option != nullptr && option->get_type_size() != 0) ++i;  // its value
      continue;
    }
    if (w != "call") return words.size();  // another command
    // A call's own help or a missing TARGET or MEMBER is for CLI11 to answer.
    for (size_t j = i + 1; j < words.size() && j <= i + 2; ++j)
      if (words[j] == "-h" || words[j] == "--help") return words.size();
    return std::min(i + 3, words.size());
  }
  return words.size();
}

}  // namespace

int Main(int argc, char** argv) {
  CLI::App app{
      "keltrane: create the Keltrane classes and call their members from the command line.\n"
      "Every call prints one JSON object; exit status 0 success, 1 failed call, 2 usage error.",
      "keltrane"};
  app.require_subcommand(1);
  Options options;
  app.add_option(
      "--module-dir", options.module_dir,
      "folder that stands for the library's own folder (Vizaride32.ini is DIR/../Storage/Vizaride32.ini)");
  app.add_option("--windows-dir", options.windows_dir,
                 "folder that stands for the Windows directory (download.ini)");
  app.add_option(
      "--db", options.db,
      "the suite database: FILE, sqlite:FILE or postgresql://... (default: $KELTRANE_DB, else Suite.db "
      "in the Storage folder)");
  app.add_option("--log", options.log, "file the logging component appends its lines to");
  app.add_option("--log-max-bytes", options.log_max_bytes,
                 "size past which the log file is rotated (default 10485760; 0: never)")
      ->check(CLI::NonNegativeNumber);
  app.add_option("--log-keep", options.log_keep, "rotated log files kept (default 5)")
      ->check(CLI::NonNegativeNumber);
  app.add_option("--answer", options.answer, "answer to every Yes/No message box")
      ->check(CLI::IsMember({"yes", "no"}))
      ->default_str("no");

  std::string target, member, batch_file;
  std::vector<std::string> call_args;
  bool demo = false;
  CLI::App* call = app.add_subcommand("call", "one late-bound call; prints one JSON object");
  call->add_option("TARGET", target, "ProgID (Keltrane.clsINIData) or class id in braces")->required();
  call->add_option("MEMBER", member, "member name (any case) or dispatch id such as 0x60030004")->required();
  // Listed for --help; the words themselves never reach CLI11 (see below).
  call->add_option("ARG", call_args, "one per parameter: JSON when it parses as JSON, else a string");
  CLI::App* batch =
      app.add_subcommand("batch", "JSON lines in (stdin when no FILE), one JSON line out per line");
  batch->add_option("FILE", batch_file, "file of JSON lines");
  CLI::App* members = app.add_subcommand("members", "JSON list of a class's members in slot order");
  members->add_option("TARGET", target, "ProgID or class id in braces")->required();
  CLI::App* classes = app.add_subcommand(
      "classes", "JSON list of the library's classes: ProgID, class id, interface id and members");
  CLI::App* init = app.add_subcommand("init", "create Storage/Vizaride32.ini and the suite database");
  init->add_flag("--demo", demo, "add the demo data set");
  CLI::App* reg = app.add_subcommand("register", "register the library's classes (DllRegisterServer)");
  CLI::App* unreg =
      app.add_subcommand("unregister", "remove the library's registration (DllUnregisterServer)");

  // The call's arguments are taken verbatim: CLI11 would read a bracketed
  // value as its own list syntax, split it at commas and take "--" or a
  // leading '-' for options.  Only what comes before them is parsed.
  BinaryStdio();
  std::vector<std::string> words = Utf8Arguments(argc, argv);
  if (!words.empty()) words.erase(words.begin());
  if (const size_t at = CallArgumentsStart(app, words); at < words.size()) {
    call_args.assign(words.begin() + static_cast<std::ptrdiff_t>(at), words.end());
    words.resize(at);
  }
  std::reverse(words.begin(), words.end());  // CLI11 takes its arguments last first

  try {
    app.parse(words);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "keltrane: " << e.what() << "\n";
    return kUsage;
  }

  try {
    Host host(options);
    // Listings read the type information of an instance of each class.
    if (classes->parsed() || members->parsed()) {
      bool ok = false;
      Print(classes->parsed() ? host.Classes(&ok) : host.Members(host.ResolveClass(target), &ok));
      return ok ? kOk : kFailed;
    }
    if (call->parsed()) return RunCall(host, target, member, call_args);
    if (batch->parsed()) return RunBatch(host, batch_file);
    if (reg->parsed()) return RunRegistration(host, true);
    if (unreg->parsed()) return RunRegistration(host, false);
    if (init->parsed()) {
      Print(InitStorage(host.ModuleDir(), options, demo));
      return kOk;
    }
  } catch (const UsageError& e) {
    std::cerr << "keltrane: " << e.message << "\n";
    return kUsage;
  } catch (const std::exception& e) {
    std::cerr << "keltrane: " << e.what() << "\n";
    return kFailed;
  }
  return kUsage;
}

}  // namespace kt::host
