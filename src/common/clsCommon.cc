#include "common/clsCommon.h"

#include <algorithm>

#include "frame/convert.h"
#include "frame/handler.h"
#include "logging/LogModule.h"

namespace kt {
namespace {

constexpr int32_t kLevel = 1;
const std::string kCompanySource = "Keltrane->clsCommon->GetCompanyIdFromPTRID";
const std::string kCommandSource = "Keltrane->clsCommon->getCommandIds";
const std::string kFlagsSource = "Keltrane->clsCommon->getViewLogEnabledValues";

// Command ids that make a log viewable.
constexpr int32_t kEventLogCommand = 14;
constexpr int32_t kFireAndAlarmCommand = 51;
constexpr int32_t kEcpCommand = 52;

}  // namespace

std::string clsCommon::GetVelmora20InstalledPath() {
  std::string result;
  OnErrorLeave([&] { result = env_.InstalledPath(); });
  return result;
}

int32_t clsCommon::GetCompanyIdFromPTRID(int32_t& lPTRID) {
  int32_t result = 0;
  LogErrorsAndLeave(
      env_, kLevel, kCompanySource,
      [&] {
        WriteLog(env_, kLevel, kCompanySource, "Function Entry ::Input args = lPTRID =  " + Str(lPTRID));
        RecordsetPtr rs = env_.CreateRecordset();
        // A failed creation keeps the previous instance in the member.
        m_objFxdAppln = env_.CreateFixedApplication();
        const std::string query =
            "SELECT DISTINCT PNS.Company_ID as COMPANYID,PTR.panel_type_rev_id  FROM (((panel_names as PNS "
            "INNER "
            "JOIN "
            "panel_type_revision as PTR ON PNS.panel_name_id = PTR.panel_name_id ) LEFT JOIN "
            "panel_name_substitute_or_adds  as PNSA ON (PNS.panel_name_id = PNSA.panel_name_id )) ) WHERE "
            "PTR.panel_type_rev_id=" +
            Str(lPTRID);
        WriteLog(env_, kLevel, kCompanySource, "strQuery = " + query);
        rs = m_objFxdAppln->OpenRecordset(query, std::move(rs));
        bool found = false;
        if (rs != nullptr && rs->RecordCount() > 0) {
          rs->MoveFirst();
          const Variant company = rs->Field("CompanyId");
          if (!company.IsNull() && !company.IsEmpty() &&
              !(company.IsString() && company.AsString().empty())) {
            result = CLng(company);
            CloseIfOpen(rs.get());
            found = true;
          }
        }
        // Not found takes the handler's path with no error pending: number 0,
        // empty description.
        if (!found) WriteErrorLog(env_, kLevel, kCompanySource, Err().description, Err().number);
      },
      [&] { WriteLog(env_, kLevel, kCompanySource, "Function EXIT"); });
  return result;
}

int32_t clsCommon::getCommandIds(const int32_t& lPTRID, const int16_t& blnEnabled,
                                 std::vector<int32_t>& lCommandIds) {
  int32_t result = 0;
  LogErrorsAndLeave(
      env_, kLevel, kCommandSource,
      [&] {
        WriteLog(env_, kLevel, kCommandSource, "Function ENTRY");
        WriteLog(env_, kLevel, kCommandSource, "lPTRID = " + Str(lPTRID));
        WriteLog(env_, kLevel, kCommandSource, "blnEnabled = " + Str(blnEnabled));
        std::unique_ptr<FixedApplication> app = env_.CreateFixedApplication();
        const std::string query =
            "SELECT Panel_type_Rev_ID, Command_ID, Sequence_Number, State_Data FROM StateData  where "
            "Panel_type_Rev_ID=" +
            Str(lPTRID) + " and Sequence_Number=" + Str(blnEnabled);
        WriteLog(env_, kLevel, kCommandSource, "strQuery = " + query);
        RecordsetPtr rs = app->OpenRecordset(query);
        if (rs == nullptr) Raise(vberr::kObjectNotSet);
        const int32_t count = rs->RecordCount();
        WriteLog(env_, kLevel, kCommandSource, "rsData.RecordCount = " + Str(count));
        if (count > 0) {
          lCommandIds.assign(static_cast<size_t>(count), 0);
          rs->MoveFirst();
          for (int32_t i = 0; i < count; ++i) {
            const Variant id = rs->Field("Command_ID");
            // A Null id leaves its position at 0; the next row fills the next one.
            if (!id.IsNull()) lCommandIds[static_cast<size_t>(i)] = CLng(id);
            rs->MoveNext();
          }
          result = count;
          WriteLog(env_, kLevel, kCommandSource, "getCommandIds = " + Str(result));
        }
        CloseIfOpen(rs.get());
        rs.reset();
        app.reset();
        WriteLog(env_, kLevel, kCommandSource, "Function Exit");
      },
      [] {});
  return result;
}

Variant clsCommon::getViewLogEnabledValues(int32_t lPTRID, int32_t lParentPTRID, int16_t& blnEventLog,
                                           int16_t& blnECPLog, int16_t& blnFIRELog, int16_t& blnALARMLog) {
  LogErrorsAndLeave(
      env_, kLevel, kFlagsSource,
      [&] {
        WriteLog(env_, kLevel, kFlagsSource, "Function Entry");
        WriteLog(env_, kLevel, kFlagsSource, "lPTRID = " + Str(lPTRID));
        blnEventLog = blnECPLog = blnFIRELog = blnALARMLog = 0;
        int32_t revision = lPTRID;
        const int32_t company = GetCompanyIdFromPTRID(revision);
        if (company != 1 && company != 2 && company != 21) {
          blnEventLog = -1;
        } else {
          // Positions are counted in 16 bits: a list past 32767 ids overflows.
          std::vector<int32_t> own, disabled, parent;
          const int16_t a = CheckedI2(getCommandIds(lPTRID, 1, own));
          const int16_t b = CheckedI2(getCommandIds(lPTRID, 0, disabled));
          const int16_t c = CheckedI2(getCommandIds(lParentPTRID, 1, parent));
          std::vector<int32_t> merged(own.begin(), own.begin() + a);
          int16_t n = a;
          // A revision inherits its parent's enabled commands unless it has a row
          // of its own for the command, enabled or disabled.
          for (int16_t j = 0; j < c; ++j) {
            const int32_t id = parent[static_cast<size_t>(j)];
            const bool own_row =
                std::find(merged.begin(), merged.begin() + a, id) != merged.begin() + a ||
                std::find(disabled.begin(), disabled.begin() + b, id) != disabled.begin() + b;
            if (own_row) continue;
            merged.push_back(id);
            n = AddI2(n, 1);
          }
          WriteLog(env_, kLevel, kFlagsSource, "Commands_Used_count = " + Str(n));
          for (int16_t j = 0; j < n; ++j) {
            switch (merged[static_cast<size_t>(j)]) {
              case kEventLogCommand:
                blnEventLog = -1;
                break;
              case kFireAndAlarmCommand:
                blnFIRELog = -1;
                blnALARMLog = -1;
                break;
              case kEcpCommand:
                blnECPLog = -1;
                break;
              default:
                break;
            }
          }
        }
      },
      [&] { WriteLog(env_, kLevel, kFlagsSource, "Function Exit"); });
  return Variant();
}

}  // namespace kt
