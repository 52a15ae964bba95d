#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "xml/xml_document.h"
#include "xml/xml_exception.h"

namespace velmorra {
namespace {

// Runs `operation`, which must raise EXMLException, and returns what it raised.
EXMLException RaisedBy(const std::function<void()>& operation) {
  try {
    operation();
  } catch (const EXMLException& error) {
    return error;
  }
  ADD_FAILURE() << "no EXMLException raised";
  return EXMLException("", 0, 0);
}

// The names of the attributes of `element` with their values, in collection order.
std::vector<std::pair<std::u16string, std::u16string>> AttributesOf(IXMLElement& element) {
  std::vector<std::pair<std::u16string, std::u16string>> attributes;
  const IXMLNamedNodeMapPtr map = element.Attributes();
  for (int32_t i = 0; i < map->Length(); ++i) {
    attributes.emplace_back(map->Item(i)->NodeName(), map->Item(i)->NodeValue());
  }
  return attributes;
}

// An element that records its tag name in `gone` when it is destroyed.
class TWatchedElement : public TXMLElement {
 public:
  TWatchedElement(TXMLDocument& document, std::u16string_view tag_name,
                  std::vector<std::u16string>& gone)
      : TXMLElement(document, tag_name), gone_(gone) {}
  ~TWatchedElement() override { gone_.push_back(NodeName()); }

 private:
  std::vector<std::u16string>& gone_;
};

// A document whose elements record their destruction in Gone.
class TWatchingDocument : public TXMLDocument {
 public:
  std::vector<std::u16string> Gone;

 protected:
  TXMLPtr<TXMLElement> NewElement(std::u16string_view tag_name) override {
    return MakeNode<TWatchedElement>(*this, tag_name, Gone);
  }
};

TEST(XmlTreeTest, NewDocumentIsEmpty) {
  const IXMLDocumentPtr document = MakeXMLDocument();
  EXPECT_EQ(document->NodeType(), kDocumentNode);
  EXPECT_EQ(document->NodeName(), u"#document");
  EXPECT_EQ(document->NodeValue(), u"");
  EXPECT_EQ(document->OwnerDocument(), nullptr);
  EXPECT_EQ(document->ParentNode(), nullptr);
  EXPECT_FALSE(document->HasChildNodes());
  EXPECT_EQ(document->ChildNodes()->Length(), 0);
  EXPECT_FALSE(document->HasChildNodes());
  EXPECT_EQ(XMLCast<TXMLDocument>(document)->Dictionary().BucketCount(), 97u);
}

TEST(XmlTreeTest, CreatedNodesAreDetachedAndBelongToTheDocument) {
  const IXMLDocumentPtr document = MakeXMLDocument();

  const IXMLElementPtr element = document->CreateElement(u"sms");
  EXPECT_EQ(element->NodeType(), kElementNode);
  EXPECT_EQ(element->NodeName(), u"sms");
  EXPECT_EQ(element->TagName(), u"sms");
  EXPECT_EQ(element->NodeValue(), u"");
  EXPECT_EQ(element->ParentNode(), nullptr);
  EXPECT_EQ(element->OwnerDocument(), document);
  EXPECT_FALSE(element->HasChildNodes());
  EXPECT_EQ(element->Attributes()->Length(), 0);

  const IXMLProcessingInstructionPtr pi =
      document->CreateProcessingInstruction(u"xml", u" version=\"1.0\"  ");
  EXPECT_EQ(pi->NodeType(), kProcessingInstructionNode);
  EXPECT_EQ(pi->NodeName(), u"xml");
  EXPECT_EQ(pi->Target(), u"xml");
  EXPECT_EQ(pi->Data(), u" version=\"1.0\"  ");
  EXPECT_EQ(pi->ParentNode(), nullptr);
  EXPECT_EQ(pi->OwnerDocument(), document);

  const IXMLAttributePtr attribute = document->CreateAttribute(u"body");
  EXPECT_EQ(attribute->NodeType(), kAttributeNode);
  EXPECT_EQ(attribute->Name(), u"body");
  EXPECT_EQ(attribute->Value(), u"");
  EXPECT_TRUE(attribute->Specified());
  attribute->SetNodeValue(u"text");
  EXPECT_EQ(attribute->Value(), u"text");
  attribute->SetValue(u"");
  EXPECT_EQ(attribute->NodeValue(), u"");
}

TEST(XmlTreeTest, AppendChildAddsAtTheEndAndReturnsTheChild) {
  const IXMLDocumentPtr document = MakeXMLDocument();
  const IXMLElementPtr root = document->CreateElement(u"smses");
  EXPECT_EQ(document->AppendChild(root), root);
  const IXMLElementPtr first = document->CreateElement(u"sms");
  const IXMLElementPtr second = document->CreateElement(u"sms");
  root->AppendChild(first);
  root->AppendChild(second);

  EXPECT_TRUE(root->HasChildNodes());
  ASSERT_EQ(root->ChildNodes()->Length(), 2);
  EXPECT_EQ(root->ChildNodes()->Item(0), first);
  EXPECT_EQ(root->ChildNodes()->Item(1), second);
  EXPECT_EQ(root->ChildNodes()->Item(2), nullptr);
  EXPECT_EQ(root->ChildNodes()->Item(-1), nullptr);
  EXPECT_EQ(first->ParentNode(), root);
  EXPECT_EQ(root->ParentNode(), document);
}

TEST(XmlTreeTest, AppendingAnAttachedNodeMovesIt) {
  const IXMLDocumentPtr document = MakeXMLDocument();
  const IXMLElementPtr from = document->CreateElement(u"from");
  const IXMLElementPtr to = document->CreateElement(u"to");
  const IXMLElementPtr moved = document->CreateElement(u"moved");
  const IXMLElementPtr other = document->CreateElement(u"other");
  from->AppendChild(moved);
  from->AppendChild(other);
  to->AppendChild(moved);
  ASSERT_EQ(from->ChildNodes()->Length(), 1);
  EXPECT_EQ(from->ChildNodes()->Item(0), other);
  ASSERT_EQ(to->ChildNodes()->Length(), 1);
  EXPECT_EQ(moved->ParentNode(), to);

  // Appending to the same parent again moves the node to the end.
  from->AppendChild(moved);
  from->AppendChild(other);
  ASSERT_EQ(from->ChildNodes()->Length(), 2);
  EXPECT_EQ(from->ChildNodes()->Item(0), moved);
  EXPECT_EQ(from->ChildNodes()->Item(1), other);
  EXPECT_EQ(to->ChildNodes()->Length(), 0);
}

TEST(XmlTreeTest, ChildOfAnotherDocumentIsRefusedAndNothingChanges) {
  const IXMLDocumentPtr document = MakeXMLDocument();
  const IXMLDocumentPtr other_document = MakeXMLDocument();
  const IXMLElementPtr root = document->CreateElement(u"root");
  const IXMLElementPtr foreign_parent = other_document->CreateElement(u"parent");
  const IXMLElementPtr foreign = other_document->CreateElement(u"foreign");
  foreign_parent->AppendChild(foreign);

  const EXMLException error = RaisedBy([&] { root->AppendChild(foreign); });
  EXPECT_EQ(error.Code(), 4);
  EXPECT_EQ(error.MessageNumber(), 90);
  EXPECT_STREQ(error.what(),
               "NewChild was created from a different document than the one that created this "
               "node.");
  EXPECT_FALSE(root->HasChildNodes());
  EXPECT_EQ(foreign->ParentNode(), foreign_parent);
  EXPECT_EQ(foreign_parent->ChildNodes()->Length(), 1);
}

// The document has no owner document, so the test for a foreign child does not apply to it.
TEST(XmlTreeTest, DocumentTakesTopLevelNodesOfAnyDocument) {
  const IXMLDocumentPtr document = MakeXMLDocument();
  const IXMLDocumentPtr other_document = MakeXMLDocument();
  const IXMLElementPtr foreign = other_document->CreateElement(u"foreign");
  EXPECT_EQ(document->AppendChild(foreign), foreign);
  EXPECT_EQ(document->ChildNodes()->Length(), 1);
}

TEST(XmlTreeTest, AttributeAppendedToAnElementIsRefusedAndNothingChanges) {
  const IXMLDocumentPtr document = MakeXMLDocument();
  const IXMLElementPtr element = document->CreateElement(u"sms");
  const IXMLAttributePtr attribute = document->CreateAttribute(u"body");

  const EXMLException error = RaisedBy([&] { element->AppendChild(attribute); });
  EXPECT_EQ(error.Code(), 3);
  EXPECT_EQ(error.MessageNumber(), 89);
  EXPECT_STREQ(error.what(), "This operation can not be performed with a Node of type ATTRIBUTE.");
  EXPECT_FALSE(element->HasChildNodes());
  EXPECT_EQ(attribute->ParentNode(), nullptr);
}

// Appending a node under itself or under one of its descendants would cut it out of the tree.
TEST(XmlTreeTest, AncestorAppendedUnderItsDescendantIsRefusedAndNothingChanges) {
  const IXMLDocumentPtr document = MakeXMLDocument();
  const IXMLElementPtr root = document->CreateElement(u"smses");
  const IXMLElementPtr child = document->CreateElement(u"sms");
  const IXMLElementPtr grandchild = document->CreateElement(u"part");
  document->AppendChild(root);
  root->AppendChild(child);
  child->AppendChild(grandchild);
  const IXMLNodePtr parents[] = {document, root, child, grandchild};

  const std::vector<std::pair<IXMLNodePtr, IXMLNodePtr>> cases = {
      {root, root},   {root, child},    {root, grandchild},     {child, grandchild},
      {child, child}, {document, root}, {document, grandchild}, {document, document},
  };
  for (const auto& [appended, parent] : cases) {
    const EXMLException error = RaisedBy([&] { parent->AppendChild(appended); });
    const std::string type = appended == document ? "DOCUMENT" : "ELEMENT";
    EXPECT_EQ(error.Code(), 3);
    EXPECT_EQ(error.MessageNumber(), 89);
    EXPECT_EQ(error.what(),
              "This operation can not be performed with a Node of type " + type + ".");
    for (size_t level = 1; level < std::size(parents); ++level) {
      EXPECT_EQ(parents[level]->ParentNode(), parents[level - 1]);
      EXPECT_EQ(parents[level - 1]->ChildNodes()->Length(), 1);
    }
    EXPECT_FALSE(grandchild->HasChildNodes());
  }
}

TEST(XmlTreeTest, OnlyAttributesTakeAValue) {
  const IXMLDocumentPtr document = MakeXMLDocument();
  const std::vector<std::pair<IXMLNodePtr, const char*>> cases = {
      {document->CreateElement(u"sms"), "ELEMENT"},
      {document->CreateProcessingInstruction(u"xml", u""), "PROCESSING_INSTRUCTION"},
      {document, "DOCUMENT"},
  };
  for (const auto& [node, type_name] : cases) {
    const EXMLException error = RaisedBy([&] { node->SetNodeValue(u"value"); });
    EXPECT_EQ(error.Code(), 7) << type_name;
    EXPECT_EQ(error.MessageNumber(), 89) << type_name;
    EXPECT_EQ(
        std::string(error.what()),
        std::string("This operation can not be performed with a Node of type ") + type_name + ".");
    EXPECT_EQ(node->NodeValue(), u"") << type_name;
  }
}

TEST(XmlTreeTest, SetAttributeKeepsFirstPositionAndLastValue) {
  const IXMLDocumentPtr document = MakeXMLDocument();
  const IXMLElementPtr sms = document->CreateElement(u"sms");
  sms->SetAttribute(u"protocol", u"0");
  sms->SetAttribute(u"address", u"+100");
  sms->SetAttribute(u"body", u"first");
  sms->SetAttribute(u"address", u"+200");
  sms->SetAttribute(u"Body", u"other case");
  sms->SetAttribute(u"subject", u"");

  using TAttributes = std::vector<std::pair<std::u16string, std::u16string>>;
  EXPECT_EQ(AttributesOf(*sms), (TAttributes{{u"protocol", u"0"},
                                             {u"address", u"+200"},
                                             {u"body", u"first"},
                                             {u"Body", u"other case"},
                                             {u"subject", u""}}));
  EXPECT_EQ(sms->Attributes()->GetNamedItem(u"Body")->NodeValue(), u"other case");
  EXPECT_EQ(sms->Attributes()->GetNamedItem(u"BODY"), nullptr);
  EXPECT_FALSE(sms->HasChildNodes());
}

// Elements made one after another share their memory, so an element that outgrows the room of its
// attributes must leave its neighbours' attributes as they were.
TEST(XmlTreeTest, ElementsWithManyAttributesKeepTheirOwn) {
  const IXMLDocumentPtr document = MakeXMLDocument();
  const std::vector<int> counts = {3, 40, 2, 41};
  std::vector<IXMLElementPtr> elements;
  std::vector<std::vector<std::pair<std::u16string, std::u16string>>> expected(counts.size());
  for (size_t e = 0; e < counts.size(); ++e)
    elements.push_back(document->CreateElement(u"e"));
  // Interleaved, so that each element grows while the others hold memory after it.
  for (int i = 0; i < 41; ++i) {
    for (size_t e = 0; e < elements.size(); ++e) {
      if (i >= counts[e])
        continue;
      const std::u16string name = u"a" + std::u16string(1, static_cast<char16_t>(u'A' + i));
      const std::u16string value(e + 1, static_cast<char16_t>(u'0' + i % 10));
      elements[e]->SetAttribute(name, value);
      expected[e].emplace_back(name, value);
    }
  }
  for (size_t e = 0; e < elements.size(); ++e)
    EXPECT_EQ(AttributesOf(*elements[e]), expected[e]) << e;
}

// The collection, once requested, holds attribute nodes for good: the same nodes on every request,
// replaced as nodes by a later SetAttribute while a caller's reference keeps the old one.
TEST(XmlTreeTest, RequestedAttributeCollectionKeepsItsNodes) {
  const IXMLDocumentPtr document = MakeXMLDocument();
  const IXMLElementPtr sms = document->CreateElement(u"sms");
  sms->SetAttribute(u"protocol", u"0");
  sms->SetAttribute(u"body", u"first");

  const IXMLNamedNodeMapPtr attributes = sms->Attributes();
  ASSERT_EQ(attributes->Length(), 2);
  const IXMLNodePtr body = attributes->GetNamedItem(u"body");
  ASSERT_NE(body, nullptr);
  EXPECT_EQ(body->NodeType(), kAttributeNode);
  EXPECT_EQ(attributes->Item(1), body);
  EXPECT_EQ(sms->Attributes(), attributes);
  EXPECT_EQ(sms->Attributes()->Item(0), attributes->Item(0));

  sms->SetAttribute(u"body", u"second");
  sms->SetAttribute(u"read", u"1");
  ASSERT_EQ(attributes->Length(), 3);
  EXPECT_NE(attributes->Item(1), body);
  EXPECT_EQ(attributes->Item(1)->NodeValue(), u"second");
  EXPECT_EQ(body->NodeValue(), u"first");
  EXPECT_EQ(attributes->Item(2)->NodeName(), u"read");

  XMLCast<IXMLAttribute>(attributes->Item(0))->SetValue(u"9");
  attributes->SetNamedItem(document->CreateAttribute(u"status"));
  EXPECT_EQ(AttributesOf(*sms),
            (std::vector<std::pair<std::u16string, std::u16string>>{
                {u"protocol", u"9"}, {u"body", u"second"}, {u"read", u"1"}, {u"status", u""}}));
}

// An attribute that counts in `made` how many of its kind were made.
class TCountedAttr : public TXMLAttr {
 public:
  TCountedAttr(TXMLDocument& document, std::u16string_view name, int& made)
      : TXMLAttr(document, name) {
    ++made;
  }
};

// An element that counts in `made` how many of its kind were made.
class TCountedElement : public TXMLElement {
 public:
  TCountedElement(TXMLDocument& document, std::u16string_view name, int& made)
      : TXMLElement(document, name) {
    ++made;
  }
};

// A document with counted attributes and elements that keeps them compactly or not.
class TCountingDocument : public TXMLDocument {
 public:
  explicit TCountingDocument(bool compact) : compact_(compact) {}
  int Made = 0;  // attributes
  int ElementsMade = 0;

 protected:
  bool KeepsAttributesCompact() const override { return compact_; }
  bool KeepsElementsCompact() const override { return compact_; }
  TXMLPtr<TXMLAttr> NewAttribute(std::u16string_view name) override {
    return MakeNode<TCountedAttr>(*this, name, Made);
  }
  TXMLPtr<TXMLElement> NewElement(std::u16string_view tag_name) override {
    return MakeNode<TCountedElement>(*this, tag_name, ElementsMade);
  }

 private:
  bool compact_;
};

TEST(XmlTreeTest, AttributeNodesComeFromTheDocumentsAttributeClass) {
  struct TCase {
    bool compact;
    int made_by_set;  // attribute nodes made by the three SetAttribute calls
  };
  for (const TCase& test : {TCase{true, 0}, TCase{false, 3}}) {
    auto* counting = new TCountingDocument(test.compact);
    const IXMLDocumentPtr document(counting);
    const IXMLElementPtr sms = document->CreateElement(u"sms");
    sms->SetAttribute(u"read", u"0");
    sms->SetAttribute(u"status", u"-1");
    sms->SetAttribute(u"read", u"1");
    EXPECT_EQ(counting->Made, test.made_by_set) << test.compact;

    const IXMLNamedNodeMapPtr attributes = sms->Attributes();
    EXPECT_EQ(counting->Made, test.compact ? 2 : 3) << test.compact;
    ASSERT_EQ(attributes->Length(), 2);
    for (int32_t i = 0; i < attributes->Length(); ++i)
      EXPECT_NE(XMLCast<TCountedAttr>(attributes->Item(i)), nullptr) << test.compact;
    EXPECT_EQ(attributes->GetNamedItem(u"read")->NodeValue(), u"1");
  }
}

// An element appended by its ids takes no node until it is asked for, and then one of the
// document's class; a document that keeps nothing compactly makes each at once.
TEST(XmlTreeTest, ElementsAppendedByIdsComeFromTheDocumentsElementClass) {
  for (const bool compact : {true, false}) {
    auto* counting = new TCountingDocument(compact);
    const IXMLDocumentPtr document(counting);
    const IXMLElementPtr root = document->CreateElement(u"root");
    const int32_t sms = document->Dictionary().Intern(u"sms");
    const int32_t read = document->Dictionary().Intern(u"read");
    for (int i = 0; i < 3; ++i)
      root->AppendElementIds(sms, std::vector<TAttributeIds>{{read, read}});
    EXPECT_EQ(counting->ElementsMade, compact ? 1 : 4) << compact;

    const IXMLNodePtr child = root->ChildNodes()->Item(2);
    EXPECT_NE(XMLCast<TCountedElement>(child), nullptr) << compact;
    EXPECT_EQ(child->Attributes()->GetNamedItem(u"read")->NodeValue(), u"read");
    EXPECT_EQ(counting->ElementsMade, compact ? 2 : 4) << compact;
  }
}

TEST(XmlTreeTest, RepeatedNamesAndValuesAreStoredOnce) {
  const IXMLDocumentPtr document = MakeXMLDocument();
  const IXMLElementPtr root = document->CreateElement(u"smses");
  document->AppendChild(root);
  for (int i = 0; i < 1000; ++i) {
    const IXMLElementPtr sms = document->CreateElement(u"sms");
    root->AppendChild(sms);
    sms->SetAttribute(u"subject", u"null");
    sms->SetAttribute(u"read", u"1");
    sms->SetAttribute(u"status", u"-1");
  }
  // smses, sms, subject, null, read, 1, status, -1
  EXPECT_EQ(XMLCast<TXMLDocument>(document)->Dictionary().Count(), 8);
}

TEST(XmlTreeTest, DocumentKeepsItsTreeAlive) {
  auto* watching = new TWatchingDocument();
  const IXMLDocumentPtr document(watching);
  {
    const IXMLElementPtr root = document->CreateElement(u"smses");
    document->AppendChild(root);
    const IXMLElementPtr child = document->CreateElement(u"sms");
    root->AppendChild(child);
    child->SetAttribute(u"body", u"kept");
  }
  const IXMLNodePtr root = document->ChildNodes()->Item(0);
  const IXMLNodePtr child = root->ChildNodes()->Item(0);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->Attributes()->GetNamedItem(u"body")->NodeValue(), u"kept");
  EXPECT_EQ(child->ParentNode(), root);
  EXPECT_TRUE(watching->Gone.empty());
}

TEST(XmlTreeTest, ChildOutlivingItsParentHasNoParent) {
  auto* watching = new TWatchingDocument();
  const IXMLDocumentPtr document(watching);
  IXMLElementPtr child = document->CreateElement(u"child");
  {
    const IXMLElementPtr parent = document->CreateElement(u"parent");
    parent->AppendChild(child);
  }
  EXPECT_EQ(watching->Gone, std::vector<std::u16string>{u"parent"});
  EXPECT_EQ(child->ParentNode(), nullptr);
  const IXMLElementPtr new_parent = document->CreateElement(u"new");
  new_parent->AppendChild(child);
  EXPECT_EQ(child->ParentNode(), new_parent);
}

// A node that outlives the last reference to its document stays usable until it goes itself.
TEST(XmlTreeTest, NodeKeptAfterItsDocumentIsReleased) {
  auto* watching = new TWatchingDocument();
  IXMLDocumentPtr document(watching);
  const std::vector<std::u16string>& gone = watching->Gone;
  IXMLElementPtr kept = document->CreateElement(u"kept");
  {
    const IXMLElementPtr root = document->CreateElement(u"smses");
    document->AppendChild(root);
    root->AppendChild(document->CreateElement(u"dropped"));
    root->AppendChild(kept);
  }
  kept->SetAttribute(u"body", u"still here");
  document.reset();
  EXPECT_EQ(gone, (std::vector<std::u16string>{u"smses", u"dropped"}));
  EXPECT_EQ(kept->ParentNode(), nullptr);
  EXPECT_EQ(kept->Attributes()->GetNamedItem(u"body")->NodeValue(), u"still here");
  EXPECT_EQ(kept->OwnerDocument().get(), static_cast<IXMLDocument*>(watching));
}

}  // namespace
}  // namespace velmorra
