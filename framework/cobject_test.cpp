#include "framework/cobject.h"

#include <gtest/gtest.h>

namespace {

class CPort : public CObject {
  DECLARE_DYNCREATE(CPort)
};
IMPLEMENT_DYNCREATE(CPort, CObject)

class COther : public CObject {
  DECLARE_DYNCREATE(COther)
};
IMPLEMENT_DYNCREATE(COther, CObject)

TEST(RuntimeClass, RecordsNameSchemaSizeAndBase) {
  const CRuntimeClass* record = RUNTIME_CLASS(CPort);
  EXPECT_STREQ(record->m_lpszClassName, "CPort");
  EXPECT_EQ(record->m_wSchema, 0xFFFFu);
  EXPECT_EQ(record->m_nObjectSize, static_cast<int>(sizeof(CPort)));
  EXPECT_EQ(record->m_pBaseClass, RUNTIME_CLASS(CObject));
}

TEST(RuntimeClass, TellsAnObjectsClassThroughABasePointer) {
  std::unique_ptr<CObject> created = RUNTIME_CLASS(CPort)->CreateObject();
  ASSERT_NE(created, nullptr);
  const CObject* untyped = created.get();
  EXPECT_TRUE(untyped->IsKindOf(RUNTIME_CLASS(CPort)));
  EXPECT_TRUE(untyped->IsKindOf(RUNTIME_CLASS(CObject)));
  EXPECT_FALSE(untyped->IsKindOf(RUNTIME_CLASS(COther)));
  EXPECT_EQ(RUNTIME_CLASS(CObject)->CreateObject(), nullptr);
}

}  // namespace
