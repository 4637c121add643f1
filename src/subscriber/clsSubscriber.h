// clsSubscriber: subscriber, panel and batch rows of the suite database, and
// the name under which a panel model is shown, per company.
//
// Threads: an object is used by one thread at a time (its COM class is
// apartment-threaded: callers keep to the creating thread); separate
// objects may be used from separate threads at once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "components/env.h"

namespace kt {

class clsSubscriber {
 public:
  // Creates the fixed and the download application components; a component
  // that cannot be created leaves its member empty (creation never fails).
  explicit clsSubscriber(Env& env);
  ~clsSubscriber();
  clsSubscriber(const clsSubscriber&) = delete;
  clsSubscriber& operator=(const clsSubscriber&) = delete;

  // Panel and subscriber records.
  void SavePanelPhoneNumber(const std::string& panelNumber, int32_t PanelID);
  void SavePanelLastConnectionType(const std::string& panelConnType, int32_t PanelID);
  void UpdateTheStatus(int32_t lBatchId, int16_t iState);
  void GetSubscriberInformation(int32_t lAccountId, std::string& strSubscriberLastName,
                                std::string& strSubscriberFirstName, std::string& strSubscriberRcvrGroup,
                                std::string& strSubscriberAcctNumber, std::string& strPanelPhoneNUmber);
  void GetSubscriber_Information(int32_t lAccountId, std::string& strSubscriberLastName,
                                 std::string& strSubscriberFirstName, std::string& strSubscriberRcvrGroup,
                                 std::string& strSubscriberAcctNumber, std::string& strPanelPhoneNUmber,
                                 std::string& strLastConnectionMode);
  int32_t GetCommandIDFromPanelCommandDataID(int32_t panel_command_data_id);

  // Panel name resolution.
  void GetPanelName(int32_t lPanelNameID, std::string& strPanelname);
  void GetPanelNamebyProductid(int32_t lProductId, int32_t lFamilyId, std::string& strPanelname);
  void GetPanelNamebyProductidFamilyidRevNum(int32_t lProductId, int32_t lFamilyId,
                                             const std::string& strRevNum, std::string& strPanelname);
  void GetPanelNamebyProductidAndPanel_NameID(int32_t lProductId, int32_t lFamilyId, int32_t lPanelName_id,
                                              std::string& strPanelname);
  void GetPanelNamebyRevid(int32_t lPanelTyperevId, std::string& strPanelname);
  void GetPanelInformation(int32_t lPanelTyperevId, std::string& strPanelname,
                           int32_t& lParentPanelTypeRevId);

 private:
  // The object's components; an empty one raises 91.
  FixedApplication& Fixed();
  DownloadApplication& Download();
  // UPDATE panel SET <column> = '<value>' for one panel.
  void UpdatePanelText(const std::string& column, const std::string& value, int32_t PanelID);
  // The subscriber's names and numbers and the panel's phone; with
  // `connection`, the panel's last connection mode too.
  void ReadSubscriber(int32_t lAccountId, std::string& last, std::string& first, std::string& group,
                      std::string& account, std::string& phone, std::string* connection);

  Env& env_;
  std::unique_ptr<FixedApplication> m_objFxdAppln;
  std::unique_ptr<DownloadApplication> m_objDldAppln;
};

}  // namespace kt
