#include "framework/cobject.h"

const CRuntimeClass CObject::classCObject = {"CObject", sizeof(CObject), 0xFFFF, nullptr, nullptr};

std::unique_ptr<CObject> CRuntimeClass::CreateObject() const {
  return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
}

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
  for (const CRuntimeClass* runtime_class = this; runtime_class != nullptr;
       runtime_class = runtime_class->m_pBaseClass) {
    if (runtime_class == base) return true;
  }
  return false;
}

const CRuntimeClass* CObject::GetRuntimeClass() const { return RUNTIME_CLASS(CObject); }

BOOL CObject::IsKindOf(const CRuntimeClass* runtime_class) const {
  return GetRuntimeClass()->IsDerivedFrom(runtime_class) ? TRUE : FALSE;
}
