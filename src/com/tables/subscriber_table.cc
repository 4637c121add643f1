// Members of _clsSubscriber in slot order.
#include "com/invoke.h"
#include "keltrane/keltrane.h"

namespace kt::com {
namespace {

using enum ParamType;
using enum Dir;
using enum Kind;
using I = _clsSubscriber;

constexpr ParamInfo kName{"strPanelname", kBstr, kInOut};

const MemberInfo kMembers[] = {
    {7,
     0x60030000,
     kMethod,
     "SavePanelPhoneNumber",
     {{"panelNumber", kBstr, kIn}, {"PanelID", kI4, kIn}},
     kNone,
     By<&I::SavePanelPhoneNumber>},
    {8,
     0x60030001,
     kMethod,
     "UpdateTheStatus",
     {{"lBatchId", kI4, kIn}, {"iState", kI2, kIn}},
     kNone,
     By<&I::UpdateTheStatus>},
    {9,
     0x60030002,
     kMethod,
     "GetSubscriberInformation",
     {{"lAccountId", kI4, kIn},
      {"strSubscriberLastName", kBstr, kInOut},
      {"strSubscriberFirstName", kBstr, kInOut},
      {"strSubscriberRcvrGroup", kBstr, kInOut},
      {"strSubscriberAcctNumber", kBstr, kInOut},
      {"strPanelPhoneNUmber", kBstr, kInOut}},
     kNone,
     By<&I::GetSubscriberInformation>},
    {10,
     0x60030003,
     kMethod,
     "GetPanelInformation",
     {{"lPanelTyperevId", kI4, kIn}, kName, {"lParentPanelTypeRevId", kI4, kInOut}},
     kNone,
     By<&I::GetPanelInformation>},
    {11,
     0x60030004,
     kMethod,
     "GetPanelName",
     {{"lPanelNameID", kI4, kIn}, kName},
     kNone,
     By<&I::GetPanelName>},
    {12,
     0x60030005,
     kMethod,
     "GetPanelNamebyProductid",
     {{"lProductId", kI4, kIn}, {"lFamilyId", kI4, kIn}, kName},
     kNone,
     By<&I::GetPanelNamebyProductid>},
    {13,
     0x60030006,
     kMethod,
     "GetCommandIDFromPanelCommandDataID",
     {{"panel_command_data_id", kI4, kIn}},
     kI4,
     By<&I::GetCommandIDFromPanelCommandDataID>},
    {14,
     0x60030008,
     kMethod,
     "GetPanelNamebyRevid",
     {{"lPanelTyperevId", kI4, kIn}, kName},
     kNone,
     By<&I::GetPanelNamebyRevid>},
    {15,
     0x60030009,
     kMethod,
     "SavePanelLastConnectionType",
     {{"panelConnType", kBstr, kIn}, {"PanelID", kI4, kIn}},
     kNone,
     By<&I::SavePanelLastConnectionType>},
    {16,
     0x6003000A,
     kMethod,
     "GetSubscriber_Information",
     {{"lAccountId", kI4, kIn},
      {"strSubscriberLastName", kBstr, kInOut},
      {"strSubscriberFirstName", kBstr, kInOut},
      {"strSubscriberRcvrGroup", kBstr, kInOut},
      {"strSubscriberAcctNumber", kBstr, kInOut},
      {"strPanelPhoneNUmber", kBstr, kInOut},
      {"strLastConnectionMode", kBstr, kInOut}},
     kNone,
     By<&I::GetSubscriber_Information>},
    {17,
     0x6003000B,
     kMethod,
     "GetPanelNamebyProductidAndPanel_NameID",
     {{"lProductId", kI4, kIn}, {"lFamilyId", kI4, kIn}, {"lPanelName_id", kI4, kIn}, kName},
     kNone,
     By<&I::GetPanelNamebyProductidAndPanel_NameID>},
    {18,
     0x6003000C,
     kMethod,
     "GetPanelNamebyProductidFamilyidRevNum",
     {{"lProductId", kI4, kIn}, {"lFamilyId", kI4, kIn}, {"strRevNum", kBstr, kIn}, kName},
     kNone,
     By<&I::GetPanelNamebyProductidFamilyidRevNum>},
};

const InterfaceInfo kInterface{"_clsSubscriber", &IID__clsSubscriber, kMembers};

}  // namespace

const ClassInfo& SubscriberClass() {
  static const ClassInfo info{"clsSubscriber",
                              "Keltrane.clsSubscriber",
                              &CLSID_clsSubscriber,
                              {&IID__clsSubscriber___v0, &IID__clsSubscriber___v1, &IID__clsSubscriber___v2},
                              &kInterface};
  return info;
}

}  // namespace kt::com
