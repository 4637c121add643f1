// Members of _clsCommon in slot order.
#include "com/invoke.h"
#include "keltrane/keltrane.h"

namespace kt::com {
namespace {

using enum ParamType;
using enum Dir;
using enum Kind;
using I = _clsCommon;

const MemberInfo kMembers[] = {
    {7, 0x60030000, kMethod, "GetVelmora20InstalledPath", {}, kBstr, By<&I::GetVelmora20InstalledPath>},
    {8,
     0x60030001,
     kMethod,
     "getViewLogEnabledValues",
     {{"lPTRID", kI4, kIn},
      {"lParentPTRID", kI4, kIn},
      {"blnEventLog", kI2, kInOut},
      {"blnECPLog", kI2, kInOut},
      {"blnFIRELog", kI2, kInOut},
      {"blnALARMLog", kI2, kInOut}},
     kVariant,
     By<&I::getViewLogEnabledValues>},
    {9,
     0x60030003,
     kMethod,
     "GetCompanyIdFromPTRID",
     {{"lPTRID", kI4, kInOut}},
     kI4,
     By<&I::GetCompanyIdFromPTRID>},
};

const InterfaceInfo kInterface{"_clsCommon", &IID__clsCommon, kMembers};

}  // namespace

const ClassInfo& CommonClass() {
  static const ClassInfo info{
      "clsCommon", "Keltrane.clsCommon", &CLSID_clsCommon, {&IID__clsCommon___v0}, &kInterface};
  return info;
}

}  // namespace kt::com
