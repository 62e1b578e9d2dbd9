// IUnknownImp: QueryInterface for IID_IUnknown, the object's own id and any other id; AddRef and
// Release counts; destruction through the virtual destructor at the last Release.
#include "addon/unknown_imp.h"

#include <gtest/gtest.h>

namespace {

class Tool : public IUnknownImp<IToolImplementor> {
 public:
  explicit Tool(int* destroyed) : IUnknownImp(IID_IToolImplementor), destroyed(destroyed) {}
  ~Tool() override { ++*destroyed; }
  int STDMETHODCALLTYPE runTool(void*, const ProjectNodeId*, int) override { return 0; }

 private:
  int* destroyed;
};

TEST(UnknownImpTest, NewObjectStartsWithOneReferenceAndNoOuter) {
  int destroyed = 0;
  Tool* tool = new Tool(&destroyed);
  EXPECT_EQ(tool->refCount, 1);
  EXPECT_EQ(tool->outer, nullptr);
  EXPECT_TRUE(IsEqualIID(tool->interfaceId, IID_IToolImplementor));
  EXPECT_EQ(tool->AddRef(), 2u);
  EXPECT_EQ(tool->Release(), 1u);
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(tool->Release(), 0u);
  EXPECT_EQ(destroyed, 1);
}

TEST(UnknownImpTest, QueryInterfaceAnswersIUnknownAndItsOwnId) {
  int destroyed = 0;
  Tool* tool = new Tool(&destroyed);
  void* out = nullptr;
  EXPECT_EQ(tool->QueryInterface(IID_IUnknown, &out), S_OK);
  EXPECT_EQ(out, static_cast<IToolImplementor*>(tool));
  EXPECT_EQ(tool->refCount, 2);
  out = nullptr;
  EXPECT_EQ(tool->QueryInterface(IID_IToolImplementor, &out), S_OK);
  EXPECT_EQ(out, static_cast<IToolImplementor*>(tool));
  EXPECT_EQ(tool->refCount, 3);
  // Released through the interface pointer it gave out, as the IDE would.
  static_cast<IUnknown*>(out)->Release();
  tool->Release();
  EXPECT_EQ(tool->Release(), 0u);
  EXPECT_EQ(destroyed, 1);
}

TEST(UnknownImpTest, OtherIdsAreRefusedWithOutClearedAndCountUnchanged) {
  int destroyed = 0;
  Tool* tool = new Tool(&destroyed);
  int marker;
  void* out = &marker;
  EXPECT_EQ(tool->QueryInterface(IID_IProjectClient, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(tool->refCount, 1);
  // One byte off in the last group is another id.
  IID almost = IID_IToolImplementor;
  almost.Data4[7] ^= 1;
  out = &marker;
  EXPECT_EQ(tool->QueryInterface(almost, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  IID almostUnknown = IID_IUnknown;
  almostUnknown.Data1 = 1;
  EXPECT_EQ(tool->QueryInterface(almostUnknown, &out), E_NOINTERFACE);
  EXPECT_EQ(tool->QueryInterface(IID_IToolImplementor, nullptr), E_POINTER);
  EXPECT_EQ(tool->refCount, 1);
  EXPECT_EQ(tool->Release(), 0u);
  EXPECT_EQ(destroyed, 1);
}

}  // namespace
