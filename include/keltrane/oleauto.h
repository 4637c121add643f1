/*
 * keltrane/oleauto.h - the object run time's binary interface.
 *
 * On Linux: plain C declarations of the COM and OLE Automation types and
 * functions that the Keltrane library, its outside components and their
 * hosts share.  The layouts are the x86-64 Windows ones with Windows integer
 * widths (LONG is 32 bits here too), so code written for COM compiles against
 * this header with only its string literals changed (OLECHAR is char16_t:
 * write u"text", or KT_OLESTR("text") on either system).
 *
 * Every structure is a plain C struct: no constructors, no destructors, so a
 * VARIANT passed by value follows the C calling convention and a host written
 * in C can call every slot of every interface.
 *
 * On Windows the system's headers (<windows.h>, <objbase.h>, <oleauto.h>)
 * declare all of it, OLECHAR is wchar_t, and this header adds only the few
 * macros the Keltrane headers use beyond them.
 */
#ifndef KELTRANE_OLEAUTO_H
#define KELTRANE_OLEAUTO_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define KT_EXTERN_C extern "C"
#define KT_BEGIN_C extern "C" {
#define KT_END_C }
#else
#include <uchar.h>
#define KT_EXTERN_C extern
#define KT_BEGIN_C
#define KT_END_C
#endif

/* GUID constants live in the headers, so a library need not export them. */
#ifdef __cplusplus
#define KT_DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
  inline constexpr GUID name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}
#else
#define KT_DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
  static const GUID name __attribute__((unused)) = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}
#endif

/* The slots every interface starts with, for the vtables of C callers. */
#ifndef __cplusplus
#define KT_IUNKNOWN_SLOTS(T)                                    \
  HRESULT (*QueryInterface)(T * This, REFIID riid, void** ppv); \
  ULONG (*AddRef)(T * This);                                    \
  ULONG (*Release)(T * This);
#define KT_IDISPATCH_SLOTS(T)                                                                          \
  KT_IUNKNOWN_SLOTS(T)                                                                                 \
  HRESULT (*GetTypeInfoCount)(T * This, UINT * pctinfo);                                               \
  HRESULT (*GetTypeInfo)(T * This, UINT itinfo, LCID lcid, ITypeInfo * *pptinfo);                      \
  HRESULT(*GetIDsOfNames)                                                                              \
  (T * This, REFIID riid, LPOLESTR * names, UINT count, LCID lcid, DISPID * dispids);                  \
  HRESULT(*Invoke)                                                                                     \
  (T * This, DISPID dispid, REFIID riid, LCID lcid, WORD flags, DISPPARAMS * params, VARIANT * result, \
   EXCEPINFO * excepinfo, UINT * argerr);
#endif

/* Visual Basic run-time errors travel as 0x800A0000 + number. */
#define KT_HRESULT_FROM_VB(n) ((HRESULT)(0x800A0000u | ((uint32_t)(n)&0xFFFFu)))

#ifdef _WIN32

#include <windows.h>

#include <objbase.h>
#include <oleauto.h>

/* A DLL's exports are named in its module-definition file. */
#define KT_API
#define KT_OLESTR(s) L##s

#else /* Linux */

#define KT_API __attribute__((visibility("default")))
#define KT_OLESTR(s) u##s
#define STDMETHODCALLTYPE
#define STDAPICALLTYPE
#define STDAPI KT_EXTERN_C KT_API HRESULT
#define STDAPI_(t) KT_EXTERN_C KT_API t

KT_BEGIN_C

/* Windows integer widths, also on LP64 Linux. */
typedef int32_t HRESULT;
typedef int32_t SCODE;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef int32_t DISPID;
typedef uint32_t LCID;
typedef uint32_t UINT;
typedef int32_t INT;
typedef int32_t BOOL;
typedef int16_t SHORT;
typedef uint16_t USHORT;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint8_t BYTE;
typedef int64_t LONGLONG;
typedef int16_t VARIANT_BOOL;
typedef uint16_t VARTYPE;
typedef double DATE;
typedef void* PVOID;

typedef char16_t OLECHAR;
typedef OLECHAR* BSTR;
typedef OLECHAR* LPOLESTR;
typedef const OLECHAR* LPCOLESTR;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif
#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

typedef struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
} GUID;
typedef GUID IID;
typedef GUID CLSID;
#ifdef __cplusplus
#define REFGUID const GUID&
#define REFIID const IID&
#define REFCLSID const CLSID&
#else
#define REFGUID const GUID*
#define REFIID const IID*
#define REFCLSID const CLSID*
#endif

/* Status codes. */
#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#define E_NOTIMPL ((HRESULT)0x80004001)
#define E_NOINTERFACE ((HRESULT)0x80004002)
#define E_POINTER ((HRESULT)0x80004003)
#define E_ABORT ((HRESULT)0x80004004)
#define E_FAIL ((HRESULT)0x80004005)
#define E_UNEXPECTED ((HRESULT)0x8000FFFF)
#define E_ACCESSDENIED ((HRESULT)0x80070005)
#define E_OUTOFMEMORY ((HRESULT)0x8007000E)
#define E_INVALIDARG ((HRESULT)0x80070057)
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110)
#define CLASS_E_CLASSNOTAVAILABLE ((HRESULT)0x80040111)
#define REGDB_E_CLASSNOTREG ((HRESULT)0x80040154)
#define REGDB_E_READREGDB ((HRESULT)0x80040150)
#define REGDB_E_WRITEREGDB ((HRESULT)0x80040151)
#define CO_E_CLASSSTRING ((HRESULT)0x800401F3)
#define CO_E_DLLNOTFOUND ((HRESULT)0x800401F8)
#define CO_E_ERRORINDLL ((HRESULT)0x800401F9)
#define CO_E_OBJNOTREG ((HRESULT)0x800401FB)
#define DISP_E_UNKNOWNINTERFACE ((HRESULT)0x80020001)
#define DISP_E_MEMBERNOTFOUND ((HRESULT)0x80020003)
#define DISP_E_PARAMNOTFOUND ((HRESULT)0x80020004)
#define DISP_E_TYPEMISMATCH ((HRESULT)0x80020005)
#define DISP_E_UNKNOWNNAME ((HRESULT)0x80020006)
#define DISP_E_NONAMEDARGS ((HRESULT)0x80020007)
#define DISP_E_BADVARTYPE ((HRESULT)0x80020008)
#define DISP_E_EXCEPTION ((HRESULT)0x80020009)
#define DISP_E_OVERFLOW ((HRESULT)0x8002000A)
#define DISP_E_BADINDEX ((HRESULT)0x8002000B)
#define DISP_E_BADPARAMCOUNT ((HRESULT)0x8002000E)
#define DISP_E_PARAMNOTOPTIONAL ((HRESULT)0x8002000F)
#define DISP_E_ARRAYISLOCKED ((HRESULT)0x8002000D)
#define TYPE_E_ELEMENTNOTFOUND ((HRESULT)0x8002802B)
#define TYPE_E_LIBNOTREGISTERED ((HRESULT)0x8002801D)

typedef enum VARENUM {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_CY = 6,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_DECIMAL = 14,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_VOID = 24,
  VT_HRESULT = 25,
  VT_PTR = 26,
  VT_SAFEARRAY = 27,
  VT_CARRAY = 28,
  VT_USERDEFINED = 29,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000,
  VT_TYPEMASK = 0x0FFF
} VARENUM;

typedef struct SAFEARRAYBOUND {
  ULONG cElements;
  LONG lLbound;
} SAFEARRAYBOUND;

typedef struct SAFEARRAY {
  USHORT cDims;
  USHORT fFeatures;
  ULONG cbElements;
  ULONG cLocks;
  PVOID pvData;
  SAFEARRAYBOUND rgsabound[1];
} SAFEARRAY;

#define FADF_AUTO 0x0001
#define FADF_STATIC 0x0002
#define FADF_EMBEDDED 0x0004
#define FADF_FIXEDSIZE 0x0010
#define FADF_RECORD 0x0020
#define FADF_HAVEIID 0x0040
#define FADF_HAVEVARTYPE 0x0080
#define FADF_BSTR 0x0100
#define FADF_UNKNOWN 0x0200
#define FADF_DISPATCH 0x0400
#define FADF_VARIANT 0x0800

#ifdef __cplusplus
struct IUnknown;
struct IDispatch;
#else
typedef struct IUnknown IUnknown;
typedef struct IDispatch IDispatch;
#endif

typedef struct VARIANT VARIANT;
typedef VARIANT VARIANTARG;
struct VARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    LONGLONG llVal;
    LONG lVal;
    BYTE bVal;
    SHORT iVal;
    float fltVal;
    double dblVal;
    VARIANT_BOOL boolVal;
    SCODE scode;
    DATE date;
    BSTR bstrVal;
    IUnknown* punkVal;
    IDispatch* pdispVal;
    SAFEARRAY* parray;
    BYTE* pbVal;
    SHORT* piVal;
    LONG* plVal;
    double* pdblVal;
    VARIANT_BOOL* pboolVal;
    SCODE* pscode;
    DATE* pdate;
    BSTR* pbstrVal;
    IUnknown** ppunkVal;
    IDispatch** ppdispVal;
    SAFEARRAY** pparray;
    VARIANT* pvarVal;
    PVOID byref;
    struct {
      PVOID pvRecord;
      PVOID pRecInfo;
    } brecord;
  };
};

#define V_VT(v) ((v)->vt)
#define V_I2(v) ((v)->iVal)
#define V_I4(v) ((v)->lVal)
#define V_R8(v) ((v)->dblVal)
#define V_BOOL(v) ((v)->boolVal)
#define V_DATE(v) ((v)->date)
#define V_BSTR(v) ((v)->bstrVal)
#define V_ERROR(v) ((v)->scode)
#define V_ARRAY(v) ((v)->parray)
#define V_UNKNOWN(v) ((v)->punkVal)
#define V_DISPATCH(v) ((v)->pdispVal)
#define V_BYREF(v) ((v)->byref)

typedef struct DISPPARAMS {
  VARIANTARG* rgvarg;
  DISPID* rgdispidNamedArgs;
  UINT cArgs;
  UINT cNamedArgs;
} DISPPARAMS;

typedef struct EXCEPINFO {
  WORD wCode;
  WORD wReserved;
  BSTR bstrSource;
  BSTR bstrDescription;
  BSTR bstrHelpFile;
  DWORD dwHelpContext;
  PVOID pvReserved;
  HRESULT (*pfnDeferredFillIn)(struct EXCEPINFO*);
  SCODE scode;
} EXCEPINFO;

/* Type information: what ITypeInfo hands out.  Layouts and values are the
 * x86-64 Windows ones (oaidl.h), so a client reads them as on Windows. */
typedef DISPID MEMBERID;
typedef DWORD HREFTYPE;
#define MEMBERID_NIL DISPID_UNKNOWN

typedef enum TYPEKIND {
  TKIND_ENUM = 0,
  TKIND_RECORD = 1,
  TKIND_MODULE = 2,
  TKIND_INTERFACE = 3,
  TKIND_DISPATCH = 4,
  TKIND_COCLASS = 5,
  TKIND_ALIAS = 6,
  TKIND_UNION = 7,
  TKIND_MAX = 8
} TYPEKIND;

typedef enum FUNCKIND {
  FUNC_VIRTUAL = 0,
  FUNC_PUREVIRTUAL = 1,
  FUNC_NONVIRTUAL = 2,
  FUNC_STATIC = 3,
  FUNC_DISPATCH = 4
} FUNCKIND;

typedef enum INVOKEKIND {
  INVOKE_FUNC = 1,
  INVOKE_PROPERTYGET = 2,
  INVOKE_PROPERTYPUT = 4,
  INVOKE_PROPERTYPUTREF = 8
} INVOKEKIND;

typedef enum CALLCONV {
  CC_FASTCALL = 0,
  CC_CDECL = 1,
  CC_MSCPASCAL = 2,
  CC_PASCAL = 2,
  CC_MACPASCAL = 3,
  CC_STDCALL = 4,
  CC_FPFASTCALL = 5,
  CC_SYSCALL = 6,
  CC_MPWCDECL = 7,
  CC_MPWPASCAL = 8,
  CC_MAX = 9
} CALLCONV;

typedef enum VARKIND { VAR_PERINSTANCE = 0, VAR_STATIC = 1, VAR_CONST = 2, VAR_DISPATCH = 3 } VARKIND;

typedef enum TYPEFLAGS {
  TYPEFLAG_FAPPOBJECT = 0x1,
  TYPEFLAG_FCANCREATE = 0x2,
  TYPEFLAG_FLICENSED = 0x4,
  TYPEFLAG_FPREDECLID = 0x8,
  TYPEFLAG_FHIDDEN = 0x10,
  TYPEFLAG_FCONTROL = 0x20,
  TYPEFLAG_FDUAL = 0x40,
  TYPEFLAG_FNONEXTENSIBLE = 0x80,
  TYPEFLAG_FOLEAUTOMATION = 0x100,
  TYPEFLAG_FRESTRICTED = 0x200,
  TYPEFLAG_FAGGREGATABLE = 0x400,
  TYPEFLAG_FREPLACEABLE = 0x800,
  TYPEFLAG_FDISPATCHABLE = 0x1000,
  TYPEFLAG_FREVERSEBIND = 0x2000,
  TYPEFLAG_FPROXY = 0x4000
} TYPEFLAGS;

#define PARAMFLAG_NONE 0x0
#define PARAMFLAG_FIN 0x1
#define PARAMFLAG_FOUT 0x2
#define PARAMFLAG_FLCID 0x4
#define PARAMFLAG_FRETVAL 0x8
#define PARAMFLAG_FOPT 0x10
#define PARAMFLAG_FHASDEFAULT 0x20
#define PARAMFLAG_FHASCUSTDATA 0x40

struct ARRAYDESC;
typedef struct TYPEDESC {
  union {
    struct TYPEDESC* lptdesc; /* VT_PTR, VT_SAFEARRAY: the type pointed at or held */
    struct ARRAYDESC* lpadesc;
    HREFTYPE hreftype;
  };
  VARTYPE vt;
} TYPEDESC;

typedef struct ARRAYDESC {
  TYPEDESC tdescElem;
  USHORT cDims;
  SAFEARRAYBOUND rgbounds[1];
} ARRAYDESC;

typedef struct IDLDESC {
  uintptr_t dwReserved;
  USHORT wIDLFlags;
} IDLDESC;

typedef struct PARAMDESCEX {
  ULONG cBytes;
  VARIANTARG varDefaultValue;
} PARAMDESCEX;

typedef struct PARAMDESC {
  PARAMDESCEX* pparamdescex;
  USHORT wParamFlags;
} PARAMDESC;

typedef struct ELEMDESC {
  TYPEDESC tdesc;
  union {
    IDLDESC idldesc;
    PARAMDESC paramdesc;
  };
} ELEMDESC;

typedef struct TYPEATTR {
  GUID guid;
  LCID lcid;
  DWORD dwReserved;
  MEMBERID memidConstructor;
  MEMBERID memidDestructor;
  LPOLESTR lpstrSchema;
  ULONG cbSizeInstance;
  TYPEKIND typekind;
  WORD cFuncs;
  WORD cVars;
  WORD cImplTypes;
  WORD cbSizeVft;
  WORD cbAlignment;
  WORD wTypeFlags;
  WORD wMajorVerNum;
  WORD wMinorVerNum;
  TYPEDESC tdescAlias;
  IDLDESC idldescType;
} TYPEATTR;

typedef struct FUNCDESC {
  MEMBERID memid;
  SCODE* lprgscode;
  ELEMDESC* lprgelemdescParam;
  FUNCKIND funckind;
  INVOKEKIND invkind;
  CALLCONV callconv;
  SHORT cParams;
  SHORT cParamsOpt;
  SHORT oVft;
  SHORT cScodes;
  ELEMDESC elemdescFunc;
  WORD wFuncFlags;
} FUNCDESC;

typedef struct VARDESC {
  MEMBERID memid;
  LPOLESTR lpstrSchema;
  union {
    ULONG oInst;
    VARIANT* lpvarValue;
  };
  ELEMDESC elemdescVar;
  WORD wVarFlags;
  VARKIND varkind;
} VARDESC;

#define DISPATCH_METHOD 0x1
#define DISPATCH_PROPERTYGET 0x2
#define DISPATCH_PROPERTYPUT 0x4
#define DISPATCH_PROPERTYPUTREF 0x8
#define DISPID_UNKNOWN (-1)
#define DISPID_VALUE 0
#define DISPID_PROPERTYPUT (-3)

#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_INPROC_HANDLER 0x2
#define CLSCTX_LOCAL_SERVER 0x4
#define CLSCTX_ALL 0x17
#define COINIT_APARTMENTTHREADED 0x2
#define REGCLS_SINGLEUSE 0
#define REGCLS_MULTIPLEUSE 1
#define VARIANT_NOVALUEPROP 0x1
#define VARIANT_ALPHABOOL 0x2
#define LOCALE_USER_DEFAULT 0x0400
#define LOCALE_SYSTEM_DEFAULT 0x0800

KT_END_C

/* ---- Interfaces ---------------------------------------------------------
 * In C++ an interface is an abstract class with pure virtual functions only,
 * in slot order; under the Itanium C++ ABI the N-th virtual sits at vtable
 * index N.  In C it is a struct whose first member points at a table of
 * function pointers in the same order, each taking the object first.
 */
#ifdef __cplusplus
struct ITypeInfo;
struct IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;
};
struct IDispatch : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT itinfo, LCID lcid, ITypeInfo** pptinfo) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                                  DISPID* dispids) = 0;
  virtual HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags,
                                           DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepinfo,
                                           UINT* argerr) = 0;
};
struct IClassFactory : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) = 0;
  virtual HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) = 0;
};
struct IErrorInfo : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetGUID(GUID* guid) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSource(BSTR* source) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDescription(BSTR* description) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR* helpfile) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD* helpcontext) = 0;
};
struct ICreateErrorInfo : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetGUID(REFGUID guid) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSource(LPOLESTR source) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDescription(LPOLESTR description) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetHelpFile(LPOLESTR helpfile) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetHelpContext(DWORD helpcontext) = 0;
};
struct ITypeComp;
struct ITypeLib;
/* ITypeInfo in the slot order of oaidl.h.  The library describes each
 * interface with one; the other kinds of type (records, modules, classes)
 * are not described here. */
struct ITypeInfo : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetTypeAttr(TYPEATTR** ppTypeAttr) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp** ppTComp) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFuncDesc(UINT index, FUNCDESC** ppFuncDesc) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetVarDesc(UINT index, VARDESC** ppVarDesc) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetNames(MEMBERID memid, BSTR* rgBstrNames, UINT cMaxNames,
                                             UINT* pcNames) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRefTypeOfImplType(UINT index, HREFTYPE* pRefType) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetImplTypeFlags(UINT index, INT* pImplTypeFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId) = 0;
  virtual HRESULT STDMETHODCALLTYPE Invoke(PVOID pvInstance, MEMBERID memid, WORD wFlags,
                                           DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                           EXCEPINFO* pExcepInfo, UINT* puArgErr) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDocumentation(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString,
                                                     DWORD* pdwHelpContext, BSTR* pBstrHelpFile) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDllEntry(MEMBERID memid, INVOKEKIND invKind, BSTR* pBstrDllName,
                                                BSTR* pBstrName, WORD* pwOrdinal) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRefTypeInfo(HREFTYPE hRefType, ITypeInfo** ppTInfo) = 0;
  virtual HRESULT STDMETHODCALLTYPE AddressOfMember(MEMBERID memid, INVOKEKIND invKind, PVOID* ppv) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, PVOID* ppvObj) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMops(MEMBERID memid, BSTR* pBstrMops) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetContainingTypeLib(ITypeLib** ppTLib, UINT* pIndex) = 0;
  virtual void STDMETHODCALLTYPE ReleaseTypeAttr(TYPEATTR* pTypeAttr) = 0;
  virtual void STDMETHODCALLTYPE ReleaseFuncDesc(FUNCDESC* pFuncDesc) = 0;
  virtual void STDMETHODCALLTYPE ReleaseVarDesc(VARDESC* pVarDesc) = 0;
};
#else
typedef struct ITypeInfo ITypeInfo;
typedef struct ITypeComp ITypeComp;
typedef struct ITypeLib ITypeLib;
typedef struct IClassFactory IClassFactory;
typedef struct IErrorInfo IErrorInfo;
typedef struct ICreateErrorInfo ICreateErrorInfo;

typedef struct IUnknownVtbl {
  KT_IUNKNOWN_SLOTS(IUnknown)
} IUnknownVtbl;
struct IUnknown {
  const IUnknownVtbl* lpVtbl;
};
typedef struct IDispatchVtbl {
  KT_IDISPATCH_SLOTS(IDispatch)
} IDispatchVtbl;
struct IDispatch {
  const IDispatchVtbl* lpVtbl;
};
typedef struct IClassFactoryVtbl {
  KT_IUNKNOWN_SLOTS(IClassFactory)
  HRESULT (*CreateInstance)(IClassFactory* This, IUnknown* outer, REFIID riid, void** ppv);
  HRESULT (*LockServer)(IClassFactory* This, BOOL lock);
} IClassFactoryVtbl;
struct IClassFactory {
  const IClassFactoryVtbl* lpVtbl;
};
typedef struct IErrorInfoVtbl {
  KT_IUNKNOWN_SLOTS(IErrorInfo)
  HRESULT (*GetGUID)(IErrorInfo* This, GUID* guid);
  HRESULT (*GetSource)(IErrorInfo* This, BSTR* source);
  HRESULT (*GetDescription)(IErrorInfo* This, BSTR* description);
  HRESULT (*GetHelpFile)(IErrorInfo* This, BSTR* helpfile);
  HRESULT (*GetHelpContext)(IErrorInfo* This, DWORD* helpcontext);
} IErrorInfoVtbl;
struct IErrorInfo {
  const IErrorInfoVtbl* lpVtbl;
};
typedef struct ICreateErrorInfoVtbl {
  KT_IUNKNOWN_SLOTS(ICreateErrorInfo)
  HRESULT (*SetGUID)(ICreateErrorInfo* This, REFGUID guid);
  HRESULT (*SetSource)(ICreateErrorInfo* This, LPOLESTR source);
  HRESULT (*SetDescription)(ICreateErrorInfo* This, LPOLESTR description);
  HRESULT (*SetHelpFile)(ICreateErrorInfo* This, LPOLESTR helpfile);
  HRESULT (*SetHelpContext)(ICreateErrorInfo* This, DWORD helpcontext);
} ICreateErrorInfoVtbl;
struct ICreateErrorInfo {
  const ICreateErrorInfoVtbl* lpVtbl;
};
typedef struct ITypeInfoVtbl {
  KT_IUNKNOWN_SLOTS(ITypeInfo)
  HRESULT (*GetTypeAttr)(ITypeInfo* This, TYPEATTR** ppTypeAttr);
  HRESULT (*GetTypeComp)(ITypeInfo* This, ITypeComp** ppTComp);
  HRESULT (*GetFuncDesc)(ITypeInfo* This, UINT index, FUNCDESC** ppFuncDesc);
  HRESULT (*GetVarDesc)(ITypeInfo* This, UINT index, VARDESC** ppVarDesc);
  HRESULT (*GetNames)(ITypeInfo* This, MEMBERID memid, BSTR* rgBstrNames, UINT cMaxNames, UINT* pcNames);
  HRESULT (*GetRefTypeOfImplType)(ITypeInfo* This, UINT index, HREFTYPE* pRefType);
  HRESULT (*GetImplTypeFlags)(ITypeInfo* This, UINT index, INT* pImplTypeFlags);
  HRESULT (*GetIDsOfNames)(ITypeInfo* This, LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId);
  HRESULT(*Invoke)
  (ITypeInfo* This, PVOID pvInstance, MEMBERID memid, WORD wFlags, DISPPARAMS* pDispParams,
   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr);
  HRESULT(*GetDocumentation)
  (ITypeInfo* This, MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString, DWORD* pdwHelpContext,
   BSTR* pBstrHelpFile);
  HRESULT(*GetDllEntry)
  (ITypeInfo* This, MEMBERID memid, INVOKEKIND invKind, BSTR* pBstrDllName, BSTR* pBstrName, WORD* pwOrdinal);
  HRESULT (*GetRefTypeInfo)(ITypeInfo* This, HREFTYPE hRefType, ITypeInfo** ppTInfo);
  HRESULT (*AddressOfMember)(ITypeInfo* This, MEMBERID memid, INVOKEKIND invKind, PVOID* ppv);
  HRESULT (*CreateInstance)(ITypeInfo* This, IUnknown* pUnkOuter, REFIID riid, PVOID* ppvObj);
  HRESULT (*GetMops)(ITypeInfo* This, MEMBERID memid, BSTR* pBstrMops);
  HRESULT (*GetContainingTypeLib)(ITypeInfo* This, ITypeLib** ppTLib, UINT* pIndex);
  void (*ReleaseTypeAttr)(ITypeInfo* This, TYPEATTR* pTypeAttr);
  void (*ReleaseFuncDesc)(ITypeInfo* This, FUNCDESC* pFuncDesc);
  void (*ReleaseVarDesc)(ITypeInfo* This, VARDESC* pVarDesc);
} ITypeInfoVtbl;
struct ITypeInfo {
  const ITypeInfoVtbl* lpVtbl;
};
#endif

KT_BEGIN_C

KT_DEFINE_GUID(IID_IUnknown, 0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
KT_DEFINE_GUID(IID_IDispatch, 0x00020400, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
KT_DEFINE_GUID(IID_IClassFactory, 0x00000001, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
KT_DEFINE_GUID(IID_ITypeInfo, 0x00020401, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
KT_DEFINE_GUID(IID_IErrorInfo, 0x1CF2B120, 0x547D, 0x101B, 0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19);
KT_DEFINE_GUID(IID_ICreateErrorInfo, 0x22F03340, 0x547D, 0x101B, 0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1,
               0x19);
KT_DEFINE_GUID(IID_NULL, 0x00000000, 0x0000, 0x0000, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00);
KT_DEFINE_GUID(GUID_NULL, 0x00000000, 0x0000, 0x0000, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00);

#ifdef __cplusplus
/* A GUID is only 4-byte aligned, so Data4 is compared bytewise, not as a uint64_t. */
inline bool IsEqualGUID(REFGUID a, REFGUID b) {
  return __builtin_memcmp(&a, &b, sizeof(GUID)) == 0;
}
#define IsEqualIID IsEqualGUID
#define IsEqualCLSID IsEqualGUID
#else
#define IsEqualGUID(a, b) (KtIsEqualGUID((a), (b)))
#define IsEqualIID IsEqualGUID
#define IsEqualCLSID IsEqualGUID
#endif
STDAPI_(int) KtIsEqualGUID(const GUID* a, const GUID* b);

/* Strings: UTF-16 text preceded by its byte length, NUL-terminated. */
STDAPI_(BSTR) SysAllocString(const OLECHAR* psz);
STDAPI_(BSTR) SysAllocStringLen(const OLECHAR* pch, UINT cch);
STDAPI_(BSTR) SysAllocStringByteLen(const char* psz, UINT len);
STDAPI_(INT) SysReAllocString(BSTR* pbstr, const OLECHAR* psz);
STDAPI_(void) SysFreeString(BSTR bstr);
STDAPI_(UINT) SysStringLen(BSTR bstr);
STDAPI_(UINT) SysStringByteLen(BSTR bstr);

/* Tagged values. */
STDAPI_(void) VariantInit(VARIANTARG* pvarg);
STDAPI VariantClear(VARIANTARG* pvarg);
STDAPI VariantCopy(VARIANTARG* dest, const VARIANTARG* src);
STDAPI VariantCopyInd(VARIANT* dest, const VARIANTARG* src);
STDAPI VariantChangeType(VARIANTARG* dest, const VARIANTARG* src, USHORT flags, VARTYPE vt);

/* Arrays. */
STDAPI_(SAFEARRAY*) SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound);
STDAPI_(SAFEARRAY*) SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements);
STDAPI SafeArrayDestroy(SAFEARRAY* psa);
STDAPI SafeArrayRedim(SAFEARRAY* psa, SAFEARRAYBOUND* psaboundNew);
STDAPI_(UINT) SafeArrayGetDim(SAFEARRAY* psa);
STDAPI_(UINT) SafeArrayGetElemsize(SAFEARRAY* psa);
STDAPI SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound);
STDAPI SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound);
STDAPI SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt);
STDAPI SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv);
STDAPI SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv);
STDAPI SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut);
STDAPI SafeArrayLock(SAFEARRAY* psa);
STDAPI SafeArrayUnlock(SAFEARRAY* psa);
STDAPI SafeArrayAccessData(SAFEARRAY* psa, void** ppvData);
STDAPI SafeArrayUnaccessData(SAFEARRAY* psa);

/* GUIDs and class ids. */
STDAPI CLSIDFromString(LPCOLESTR lpsz, CLSID* pclsid);
STDAPI IIDFromString(LPCOLESTR lpsz, IID* piid);
STDAPI_(int) StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax);
STDAPI CLSIDFromProgID(LPCOLESTR lpszProgID, CLSID* pclsid);
STDAPI ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* lplpszProgID);

/* Memory handed across the boundary (ProgIDFromCLSID's text). */
STDAPI_(void*) CoTaskMemAlloc(size_t cb);
STDAPI_(void) CoTaskMemFree(void* pv);

/* Creation and in-process registration of class objects. */
STDAPI CoInitialize(PVOID reserved);
STDAPI CoInitializeEx(PVOID reserved, DWORD coinit);
STDAPI_(void) CoUninitialize(void);
STDAPI CoCreateInstance(REFCLSID rclsid, IUnknown* outer, DWORD clsctx, REFIID riid, void** ppv);
STDAPI CoGetClassObject(REFCLSID rclsid, DWORD clsctx, PVOID reserved, REFIID riid, void** ppv);
STDAPI CoRegisterClassObject(REFCLSID rclsid, IUnknown* punk, DWORD clsctx, DWORD flags, DWORD* cookie);
STDAPI CoRevokeClassObject(DWORD cookie);

/* Per-thread error information. */
STDAPI SetErrorInfo(ULONG reserved, IErrorInfo* perrinfo);
STDAPI GetErrorInfo(ULONG reserved, IErrorInfo** pperrinfo);
STDAPI CreateErrorInfo(ICreateErrorInfo** pperrinfo);

KT_END_C

#endif /* Linux */

#endif /* KELTRANE_OLEAUTO_H */
