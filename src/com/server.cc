// The library's own description, handed to the object run time by the four
// entry points: type library identity, the class table and the lock count.
#include "com/classes/objects.h"
#include "com/object.h"
#include "keltrane/keltrane.h"

namespace kt::com {
namespace {

LONG g_lock_count = 0;

// The earlier interface ids of each class, as plain arrays for the run time.
const IID* const kSubscriberEarlier[] = {&IID__clsSubscriber___v0, &IID__clsSubscriber___v1,
                                         &IID__clsSubscriber___v2};
const IID* const kIniDataEarlier[] = {&IID__clsINIData___v0, &IID__clsINIData___v1, &IID__clsINIData___v2};
const IID* const kCommonEarlier[] = {&IID__clsCommon___v0};

const KtClassDesc kClasses[] = {
    {&CLSID_clsSubscriber, "clsSubscriber", "Keltrane.clsSubscriber", &IID__clsSubscriber, "_clsSubscriber",
     kSubscriberEarlier, 3, &CreateSubscriber},
    {&CLSID_clsINIData, "clsINIData", "Keltrane.clsINIData", &IID__clsINIData, "_clsINIData", kIniDataEarlier,
     3, &CreateIniData},
    {&CLSID_clsProfile, "clsProfile", "Keltrane.clsProfile", &IID__clsProfile, "_clsProfile", nullptr, 0,
     &CreateProfile},
    {&CLSID_clsCommon, "clsCommon", "Keltrane.clsCommon", &IID__clsCommon, "_clsCommon", kCommonEarlier, 1,
     &CreateCommon},
};

}  // namespace

const KtServerDesc& Server() {
  static const KtServerDesc desc{"Keltrane",
                                 &LIBID_Keltrane,
                                 6,
                                 6,
                                 0x409,
                                 "Apartment",
                                 kClasses,
                                 4,
                                 reinterpret_cast<const void*>(&Server),
                                 &g_lock_count};
  return desc;
}

}  // namespace kt::com
