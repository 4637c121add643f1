// clsINIData: the host's command line.  A valued option reads "/name=value";
// the value ends at the first space after the option or at the end of the
// line.  Names and switches match without regard to ASCII case, the first
// occurrence wins, and presence switches count wherever their text occurs.
#include <string_view>

#include "base/vbtext.h"
#include "config/clsINIData.h"
#include "frame/convert.h"
#include "frame/handler.h"

namespace kt {
namespace {

// Message number of "an option name may not contain a space".
constexpr int32_t kOptionWithSpaceMessage = 1323;
// Suffix value that means: do not ask, and do not append anything.
const std::string kNoPrompt = "NO_PROMPT";
constexpr char kCR = '\r';

bool Occurs(std::string_view text, std::string_view what) {
  return base::FindNoCase(text, what) != std::string::npos;
}

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

Variant clsINIData::command_Line_Get(const std::string& command_option, const Variant& szDefault,
                                     const std::string& cmdArg) {
  Variant result = szDefault;
  OnErrorLeave(
      [&] {
        if (command_option.find(' ') != std::string::npos) {
          int32_t number = kOptionWithSpaceMessage;
          env_.MessageBox(m_objCfgAppln->GetMessageText(number), "COMMAND LINE GET",
                          mb::kIconInformation | mb::kOk);
          result = Variant::Str("");
          return;
        }
        std::string option = command_option;
        if (option.empty() || option.back() != '=') option += '=';
        if (option.front() != '/') option.insert(option.begin(), '/');

        const size_t at = base::FindNoCase(cmdArg, option);
        if (at == std::string::npos) return;  // the default, as given
        const size_t start = at + option.size();
        // The space is looked for from the option's own start, so a value
        // never reaches past the option's first blank.
        const size_t space = cmdArg.find(' ', at);
        result = Variant::Str(space == std::string::npos ? cmdArg.substr(start)
                                                         : cmdArg.substr(start, space - start));
      },
      [&] { result = szDefault; });
  return result;
}

void clsINIData::GetTheValueFromCmdArgument(std::string& cmdArgument, int32_t& lUserId, int16_t& lOdbc,
                                            int16_t& lCommPort, int16_t& intSchedule) {
  OnErrorLeave(
      [&] {
        if (Occurs(cmdArgument, "/U")) lUserId = CLng(command_Line_Get("U", Variant::Str("0"), cmdArgument));
        lOdbc = CInt(command_Line_Get("odbc", Variant::Str("0"), cmdArgument));
        lCommPort = CInt(command_Line_Get("nCommPort", Variant::Str("0"), cmdArgument));
        intSchedule = Occurs(cmdArgument, "/SCHEDULE") ? -1 : 0;
      },
      [&] {
        cmdArgument.clear();
        lUserId = -1;
        lOdbc = -1;
        lCommPort = -1;
        intSchedule = -1;
      });
}

void clsINIData::GetAccountID(std::string& cmdArgument, int32_t& lAcctId) {
  // The spellings the account option has had, most specific first.
  static constexpr std::pair<std::string_view, std::string_view> kSpellings[] = {
      {"/a=", "a"}, {"/account_id", "account_id"}, {"/accountid", "accountid"}, {"/account", "account"}};
  OnErrorLeave(
      [&] {
        for (const auto& [marker, name] : kSpellings) {
          if (Occurs(cmdArgument, marker)) {
            lAcctId = CLng(command_Line_Get(std::string(name), Variant::Str("0"), cmdArgument));
            return;
          }
        }
        lAcctId = 0;
        cmdArgument.clear();
      },
      [&] {
        lAcctId = 0;
        cmdArgument.clear();
      });
}

Variant clsINIData::get_command_line_option(const std::string& Section, const std::string& Key,
                                            const Variant& szDefault, const std::string& suffix) {
  Variant result;
  OnErrorLeave([&] {
    const bool no_ini = Occurs(m_strCommandLineArgument, "/NOINI");
    if (Key.find(' ') != std::string::npos) {
      result = Variant::Str("");
      return;
    }
    std::string key = Key;
    if (!key.empty() && key.back() == '=') key.pop_back();
    if (!key.empty() && key.front() == '/') key.erase(key.begin());

    // The INI value is the default the command line overrides.
    const std::string ini_value = ini_get(Section, key, CStr(szDefault));
    Variant value = command_Line_Get(key, Variant::Str(ini_value), m_strCommandLineArgument);
    const std::string stored = ini_get(Section, key, "");
    // Keys naming a path compare the stored text as it is: no second form of the path is derived.

    if (stored.empty()) {
      ini_write(Section, key, value);
    } else if (!no_ini && suffix != kNoPrompt) {
      const std::string text = CStr(value);
      if (base::ToUpperText(text) != base::ToUpperText(stored)) {
        const std::string question =
            "Value in Download.ini file is different from what you specified on the "
            "command line" +
            std::string(2, kCR) + "Section: [" + Section + "]" + kCR + "You specified - " + key + " = " +
            text + kCR + "Ini file has - " + key + " = " + stored + std::string(2, kCR) + "Update ini file?";
        if (env_.MessageBox(question, "", mb::kIconInformation | mb::kYesNo) == mb::kAnswerYes)
          ini_write(Section, key, value);
      }
    }

    // The suffix belongs to the caller's value only; the file never gets it.
    if (value.IsString() && suffix != kNoPrompt && !EndsWith(value.AsString(), suffix))
      value = Variant::Str(value.AsString() + suffix);
    result = value;
  });
  return result;
}

}  // namespace kt
