// Safe arrays.  Each descriptor we create sits behind a 16-byte header whose
// last four bytes hold the element VARTYPE (FADF_HAVEVARTYPE), the layout
// Windows uses, so SafeArrayGetVartype works on every array made here.
// Elements are stored with the first index varying fastest; rgsabound keeps
// the dimensions in reverse order, so rgsabound[0] is the last dimension,
// the one SafeArrayRedim changes.
#include <cstdlib>
#include <cstring>

#include "keltrane/oleauto.h"
#include "rt_internal.h"

namespace {

constexpr size_t kHeader = 16;
constexpr USHORT kNotOwned = FADF_AUTO | FADF_STATIC | FADF_EMBEDDED;

USHORT FeaturesFor(VARTYPE vt) {
  switch (vt) {
    case VT_BSTR:
      return FADF_BSTR;
    case VT_VARIANT:
      return FADF_VARIANT;
    case VT_UNKNOWN:
      return FADF_UNKNOWN;
    case VT_DISPATCH:
      return FADF_DISPATCH;
    default:
      return 0;
  }
}

size_t DescriptorSize(UINT dims) {
  return sizeof(SAFEARRAY) + (dims - 1) * sizeof(SAFEARRAYBOUND);
}

SAFEARRAY* AllocDescriptor(UINT dims, VARTYPE vt) {
  auto* block = static_cast<uint8_t*>(std::calloc(1, kHeader + DescriptorSize(dims)));
  if (block == nullptr) return nullptr;
  uint32_t stored = vt;
  std::memcpy(block + kHeader - sizeof(uint32_t), &stored, sizeof stored);
  auto* psa = reinterpret_cast<SAFEARRAY*>(block + kHeader);
  psa->cDims = static_cast<USHORT>(dims);
  psa->fFeatures = static_cast<USHORT>(FADF_HAVEVARTYPE | FeaturesFor(vt));
  psa->cbElements = kt::rt::ElementSize(vt);
  return psa;
}

void FreeDescriptor(SAFEARRAY* psa) {
  std::free(reinterpret_cast<uint8_t*>(psa) - kHeader);
}

size_t ElementCount(const SAFEARRAY* psa) {
  size_t count = 1;
  for (USHORT i = 0; i < psa->cDims; ++i) count *= psa->rgsabound[i].cElements;
  return count;
}

// Releases what elements [first, last) own and zeroes them.
void ClearElements(SAFEARRAY* psa, size_t first, size_t last) {
  if (psa->pvData == nullptr) return;
  auto* base = static_cast<uint8_t*>(psa->pvData);
  for (size_t i = first; i < last; ++i) {
    void* slot = base + i * psa->cbElements;
    if (psa->fFeatures & FADF_BSTR) {
      SysFreeString(*static_cast<BSTR*>(slot));
    } else if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
      if (auto* unk = *static_cast<IUnknown**>(slot)) unk->Release();
    } else if (psa->fFeatures & FADF_VARIANT) {
      VariantClear(static_cast<VARIANT*>(slot));
    }
  }
  if (last > first) std::memset(base + first * psa->cbElements, 0, (last - first) * psa->cbElements);
}

// Byte offset of the element at the given indices; false when out of bounds.
bool ElementOffset(const SAFEARRAY* psa, const LONG* indices, size_t* offset) {
  size_t position = 0;
  size_t stride = 1;
  for (USHORT dim = 0; dim < psa->cDims; ++dim) {
    const SAFEARRAYBOUND& bound = psa->rgsabound[psa->cDims - 1 - dim];
    int64_t rel = static_cast<int64_t>(indices[dim]) - bound.lLbound;
    if (rel < 0 || rel >= static_cast<int64_t>(bound.cElements)) return false;
    position += static_cast<size_t>(rel) * stride;
    stride *= bound.cElements;
  }
  *offset = position * psa->cbElements;
  return true;
}

// Copies one element from src into the (zeroed or cleared) slot dst.
HRESULT CopyElement(const SAFEARRAY* psa, void* dst, const void* src) {
  if (psa->fFeatures & FADF_BSTR) {
    BSTR text = *static_cast<const BSTR*>(src);
    BSTR copy = nullptr;
    if (text != nullptr) {
      copy = SysAllocStringByteLen(reinterpret_cast<const char*>(text), SysStringByteLen(text));
      if (copy == nullptr) return E_OUTOFMEMORY;
    }
    *static_cast<BSTR*>(dst) = copy;
  } else if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
    IUnknown* unk = *static_cast<IUnknown* const*>(src);
    if (unk != nullptr) unk->AddRef();
    *static_cast<IUnknown**>(dst) = unk;
  } else if (psa->fFeatures & FADF_VARIANT) {
    auto* out = static_cast<VARIANT*>(dst);
    VariantInit(out);
    return VariantCopy(out, static_cast<const VARIANT*>(src));
  } else {
    std::memcpy(dst, src, psa->cbElements);
  }
  return S_OK;
}

}  // namespace

STDAPI_(SAFEARRAY*) SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound) {
  if (cDims == 0 || cDims > 64 || rgsabound == nullptr || kt::rt::ElementSize(vt) == 0) return nullptr;
  SAFEARRAY* psa = AllocDescriptor(cDims, vt);
  if (psa == nullptr) return nullptr;
  // The caller lists dimensions left to right; the descriptor keeps them reversed.
  for (UINT i = 0; i < cDims; ++i) psa->rgsabound[cDims - 1 - i] = rgsabound[i];
  size_t count = ElementCount(psa);
  psa->pvData = std::calloc(count ? count : 1, psa->cbElements);
  if (psa->pvData == nullptr) {
    FreeDescriptor(psa);
    return nullptr;
  }
  return psa;
}

STDAPI_(SAFEARRAY*) SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) {
  SAFEARRAYBOUND bound{cElements, lLbound};
  return SafeArrayCreate(vt, 1, &bound);
}

STDAPI SafeArrayDestroy(SAFEARRAY* psa) {
  if (psa == nullptr) return S_OK;
  if (psa->cLocks > 0) return DISP_E_ARRAYISLOCKED;
  ClearElements(psa, 0, ElementCount(psa));
  if (!(psa->fFeatures & kNotOwned)) {
    std::free(psa->pvData);
    psa->pvData = nullptr;
    FreeDescriptor(psa);
  }
  return S_OK;
}

STDAPI SafeArrayRedim(SAFEARRAY* psa, SAFEARRAYBOUND* psaboundNew) {
  if (psa == nullptr || psaboundNew == nullptr) return E_INVALIDARG;
  if (psa->cLocks > 0 || (psa->fFeatures & (FADF_FIXEDSIZE | FADF_STATIC))) return DISP_E_ARRAYISLOCKED;
  size_t old_count = ElementCount(psa);
  // Elements in one step of the last dimension: the product of the others.
  size_t slab = 1;
  for (USHORT i = 1; i < psa->cDims; ++i) slab *= psa->rgsabound[i].cElements;
  size_t new_count = slab * psaboundNew->cElements;
  if (new_count < old_count) ClearElements(psa, new_count, old_count);
  if (new_count != old_count) {
    size_t bytes = (new_count ? new_count : 1) * psa->cbElements;
    void* data = std::realloc(psa->pvData, bytes);
    if (data == nullptr) return E_OUTOFMEMORY;
    if (new_count > old_count) {
      std::memset(static_cast<uint8_t*>(data) + old_count * psa->cbElements, 0,
                  (new_count - old_count) * psa->cbElements);
    }
    psa->pvData = data;
  }
  psa->rgsabound[0] = *psaboundNew;
  return S_OK;
}

STDAPI_(UINT) SafeArrayGetDim(SAFEARRAY* psa) {
  return psa == nullptr ? 0 : psa->cDims;
}

STDAPI_(UINT) SafeArrayGetElemsize(SAFEARRAY* psa) {
  return psa == nullptr ? 0 : psa->cbElements;
}

STDAPI SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound) {
  if (psa == nullptr || plLbound == nullptr) return E_INVALIDARG;
  if (nDim == 0 || nDim > psa->cDims) return DISP_E_BADINDEX;
  *plLbound = psa->rgsabound[psa->cDims - nDim].lLbound;
  return S_OK;
}

STDAPI SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound) {
  if (psa == nullptr || plUbound == nullptr) return E_INVALIDARG;
  if (nDim == 0 || nDim > psa->cDims) return DISP_E_BADINDEX;
  const SAFEARRAYBOUND& bound = psa->rgsabound[psa->cDims - nDim];
  *plUbound = static_cast<LONG>(static_cast<int64_t>(bound.lLbound) + bound.cElements - 1);
  return S_OK;
}

STDAPI SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt) {
  if (psa == nullptr || pvt == nullptr) return E_INVALIDARG;
  if (psa->fFeatures & FADF_HAVEVARTYPE) {
    uint32_t stored;
    std::memcpy(&stored, reinterpret_cast<const uint8_t*>(psa) - sizeof stored, sizeof stored);
    *pvt = static_cast<VARTYPE>(stored);
  } else if (psa->fFeatures & FADF_BSTR) {
    *pvt = VT_BSTR;
  } else if (psa->fFeatures & FADF_VARIANT) {
    *pvt = VT_VARIANT;
  } else if (psa->fFeatures & FADF_UNKNOWN) {
    *pvt = VT_UNKNOWN;
  } else if (psa->fFeatures & FADF_DISPATCH) {
    *pvt = VT_DISPATCH;
  } else {
    return E_INVALIDARG;
  }
  return S_OK;
}

STDAPI SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
  if (psa == nullptr || rgIndices == nullptr || pv == nullptr) return E_INVALIDARG;
  size_t offset;
  if (!ElementOffset(psa, rgIndices, &offset)) return DISP_E_BADINDEX;
  ++psa->cLocks;
  HRESULT hr = CopyElement(psa, pv, static_cast<uint8_t*>(psa->pvData) + offset);
  --psa->cLocks;
  return hr;
}

STDAPI SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
  if (psa == nullptr || rgIndices == nullptr) return E_INVALIDARG;
  size_t offset;
  if (!ElementOffset(psa, rgIndices, &offset)) return DISP_E_BADINDEX;
  void* slot = static_cast<uint8_t*>(psa->pvData) + offset;
  // A BSTR or interface element is passed by value, other kinds by address.
  bool by_value = psa->fFeatures & (FADF_BSTR | FADF_UNKNOWN | FADF_DISPATCH);
  if (!by_value && pv == nullptr) return E_INVALIDARG;
  ++psa->cLocks;
  HRESULT hr;
  if (psa->fFeatures & FADF_VARIANT) {
    hr = VariantCopy(static_cast<VARIANT*>(slot), static_cast<const VARIANT*>(pv));
  } else {
    // Build the copy first so a failure leaves the old element in place.
    uint8_t fresh[sizeof(VARIANT)] = {};
    hr = CopyElement(psa, fresh, by_value ? static_cast<const void*>(&pv) : pv);
    if (SUCCEEDED(hr)) {
      size_t index = offset / psa->cbElements;
      ClearElements(psa, index, index + 1);
      std::memcpy(slot, fresh, psa->cbElements);
    }
  }
  --psa->cLocks;
  return hr;
}

STDAPI SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut) {
  if (ppsaOut == nullptr) return E_INVALIDARG;
  *ppsaOut = nullptr;
  if (psa == nullptr) return S_OK;
  VARTYPE vt = VT_EMPTY;
  if (FAILED(SafeArrayGetVartype(psa, &vt))) vt = VT_UI1;
  auto* copy = static_cast<uint8_t*>(std::calloc(1, kHeader + DescriptorSize(psa->cDims)));
  if (copy == nullptr) return E_OUTOFMEMORY;
  uint32_t stored = vt;
  std::memcpy(copy + kHeader - sizeof stored, &stored, sizeof stored);
  auto* out = reinterpret_cast<SAFEARRAY*>(copy + kHeader);
  std::memcpy(out, psa, DescriptorSize(psa->cDims));
  out->fFeatures = static_cast<USHORT>((psa->fFeatures & ~kNotOwned) | FADF_HAVEVARTYPE);
  out->cLocks = 0;
  size_t count = ElementCount(psa);
  out->pvData = std::calloc(count ? count : 1, psa->cbElements);
  if (out->pvData == nullptr) {
    FreeDescriptor(out);
    return E_OUTOFMEMORY;
  }
  for (size_t i = 0; i < count; ++i) {
    size_t at = i * psa->cbElements;
    HRESULT hr =
        CopyElement(out, static_cast<uint8_t*>(out->pvData) + at, static_cast<uint8_t*>(psa->pvData) + at);
    if (FAILED(hr)) {
      SafeArrayDestroy(out);
      return hr;
    }
  }
  *ppsaOut = out;
  return S_OK;
}

STDAPI SafeArrayLock(SAFEARRAY* psa) {
  if (psa == nullptr) return E_INVALIDARG;
  if (psa->cLocks == 0xFFFFu) return E_UNEXPECTED;
  ++psa->cLocks;
  return S_OK;
}

STDAPI SafeArrayUnlock(SAFEARRAY* psa) {
  if (psa == nullptr) return E_INVALIDARG;
  if (psa->cLocks == 0) return E_UNEXPECTED;
  --psa->cLocks;
  return S_OK;
}

STDAPI SafeArrayAccessData(SAFEARRAY* psa, void** ppvData) {
  if (psa == nullptr || ppvData == nullptr) return E_INVALIDARG;
  HRESULT hr = SafeArrayLock(psa);
  *ppvData = SUCCEEDED(hr) ? psa->pvData : nullptr;
  return hr;
}

STDAPI SafeArrayUnaccessData(SAFEARRAY* psa) {
  return SafeArrayUnlock(psa);
}

namespace kt::rt {

ULONG ElementSize(VARTYPE vt) {
  switch (vt) {
    case VT_I1:
    case VT_UI1:
      return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case VT_UI4:
    case VT_R4:
    case VT_ERROR:
    case VT_INT:
    case VT_UINT:
      return 4;
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_I8:
    case VT_UI8:
      return 8;
    case VT_BSTR:
    case VT_UNKNOWN:
    case VT_DISPATCH:
      return sizeof(void*);
    case VT_DECIMAL:
      return 16;
    case VT_VARIANT:
      return sizeof(VARIANT);
    default:
      return 0;
  }
}

}  // namespace kt::rt
