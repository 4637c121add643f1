// Members of _clsProfile in slot order.
#include "com/invoke.h"
#include "keltrane/keltrane.h"

namespace kt::com {
namespace {

using enum ParamType;
using enum Dir;
using enum Kind;
using I = _clsProfile;

const MemberInfo kMembers[] = {
    {7, 0x60030021, kMethod, "AddClientEntry", {}, kNone, By<&I::AddClientEntry>},
    {8, 0x60030022, kMethod, "GetProfileFile", {}, kNone, By<&I::GetProfileFile>},
    {9,
     0x60030023,
     kMethod,
     "ReorderCommands",
     {{"strCommands", kBstrArray, kInOut}, {"lCommandID", kI4Array, kInOut}},
     kNone,
     By<&I::ReorderCommands>},
    {10, 0x60030024, kMethod, "ResetCommands", {}, kNone, By<&I::ResetCommands>},
    {11, 0x60030027, kMethod, "ReadFromProfile", {}, kNone, By<&I::ReadFromProfile>},
    {12, 0x68030020, kPropGet, "GetClientID", {}, kI4, By<&I::get_GetClientID>},
    {13, 0x6803001F, kPropPut, "SetClientID", {{"lNewValue", kI4, kIn}}, kNone, By<&I::put_SetClientID>},
    {14, 0x6803001E, kPropGet, "GetAccountID", {}, kI4, By<&I::get_GetAccountID>},
    {15, 0x6803001D, kPropPut, "SetAccountID", {{"lNewValue", kI4, kIn}}, kNone, By<&I::put_SetAccountID>},
    {16, 0x6803001C, kPropGet, "GetRequestID", {}, kI4, By<&I::get_GetRequestID>},
    {17, 0x6803001B, kPropPut, "SetRequestID", {{"lNewValue", kI4, kIn}}, kNone, By<&I::put_SetRequestID>},
    {18, 0x6803001A, kPropGet, "GetCommandID", {}, kI4, By<&I::get_GetCommandID>},
    {19, 0x68030019, kPropPut, "SetCommandID", {{"lNewValue", kI4, kIn}}, kNone, By<&I::put_SetCommandID>},
    {20,
     0x60030028,
     kMethod,
     "SetCommands",
     {{"strCommands", kBstr, kInOut}, {"lCommandID", kI4, kInOut}, {"intIndex", kI2, kInOut}},
     kNone,
     By<&I::SetCommands>},
    {21,
     0x60030029,
     kMethod,
     "GetCommands",
     {{"strCommands", kBstrArray, kInOut}, {"lCommandID", kI4Array, kInOut}},
     kNone,
     By<&I::GetCommands>},
    {22, 0x68030018, kPropGet, "GetMaxRecord", {}, kI4, By<&I::get_GetMaxRecord>},
    {23, 0x68030017, kPropPut, "SetMaxRecord", {{"lNewValue", kI4, kInOut}}, kNone, By<&I::put_SetMaxRecord>},
    {24,
     0x6003002A,
     kMethod,
     "GetAccountIDIndex",
     {{"lAccountId", kI4, kInOut}},
     kI2,
     By<&I::GetAccountIDIndex>},
    {25, 0x6003002B, kMethod, "GetConnectionStatus", {}, kBool, By<&I::GetConnectionStatus>},
    {26,
     0x6003002C,
     kMethod,
     "DeleteClientEntry",
     {{"intIndex", kI2, kInOut}},
     kNone,
     By<&I::DeleteClientEntry>},
    {27,
     0x6003002D,
     kMethod,
     "GetRequestIDStatus",
     {{"intStatus", kI2, kInOut}},
     kNone,
     By<&I::GetRequestIDStatus>},
};

const InterfaceInfo kInterface{"_clsProfile", &IID__clsProfile, kMembers};

}  // namespace

const ClassInfo& ProfileClass() {
  static const ClassInfo info{"clsProfile", "Keltrane.clsProfile", &CLSID_clsProfile, {}, &kInterface};
  return info;
}

}  // namespace kt::com
