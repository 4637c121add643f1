// An instance of one of the library's classes straight from its server's
// class factory, asked for iid; nullptr (and a test failure) when refused.
#pragma once

#include <gtest/gtest.h>

#include "com/object.h"

namespace kt::com {

template <class T>
T* Create(REFCLSID clsid, REFIID iid) {
  IClassFactory* factory = nullptr;
  EXPECT_EQ(KtServerGetClassObject(&Server(), clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            S_OK);
  if (factory == nullptr) return nullptr;
  T* object = nullptr;
  EXPECT_EQ(factory->CreateInstance(nullptr, iid, reinterpret_cast<void**>(&object)), S_OK);
  factory->Release();
  return object;
}

}  // namespace kt::com
