// CObject and its run-time class records: the class name, the schema, a creation function and
// the base class, so that code handed an untyped pointer can check what it really points at.
#pragma once

#include <memory>

#include "platform/terminal/win_types.h"

class CObject;

struct CRuntimeClass {
  LPCSTR m_lpszClassName;
  int m_nObjectSize;
  UINT m_wSchema;  // 0xFFFF: not serialisable
  std::unique_ptr<CObject> (*m_pfnCreateObject)();
  const CRuntimeClass* m_pBaseClass;

  std::unique_ptr<CObject> CreateObject() const;
  bool IsDerivedFrom(const CRuntimeClass* base) const;
};

class CObject {
 public:
  static const CRuntimeClass classCObject;

  virtual const CRuntimeClass* GetRuntimeClass() const;
  virtual ~CObject() = default;

  BOOL IsKindOf(const CRuntimeClass* runtime_class) const;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNCREATE(class_name)                    \
 public:                                                 \
  static const CRuntimeClass class##class_name;          \
  const CRuntimeClass* GetRuntimeClass() const override; \
  static std::unique_ptr<CObject> CreateObject();

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                                         \
  std::unique_ptr<CObject> class_name::CreateObject() { return std::make_unique<class_name>(); } \
  const CRuntimeClass class_name::class##class_name = {#class_name, sizeof(class_name), 0xFFFF,  \
                                                       &class_name::CreateObject,                \
                                                       RUNTIME_CLASS(base_class_name)};          \
  const CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }
