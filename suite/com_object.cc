// Error information for the components.
#include "com_object.h"

#include "keltrane/ktrt.h"

namespace kt::suite {

HRESULT Fail(HRESULT hr, std::string_view component, std::string_view description) {
  const std::string source = "KeltraneSuite." + std::string(component);
  return KtSetErrorInfo(hr, nullptr, source.c_str(), std::string(description).c_str(), nullptr, 0);
}

}  // namespace kt::suite
