#include "registry_script.h"

#include <gtest/gtest.h>

namespace {

RegistryScript Parse(const std::string& text)
{
    RegistryScript script;
    std::string error;
    EXPECT_TRUE(ParseRegistryScript(text, script, error)) << error;
    return script;
}

TEST(RegistryScript, ReadsKeysValuesAndMarks)
{
    RegistryScript script = Parse(
        "HKCR\n{\n"
        "  'A.B.1' = s 'A Class'\n  {\n    CLSID = s '{1}'\n  }\n"
        "  NoRemove CLSID\n  {\n"
        "    ForceRemove '{1}' = s 'A Class'\n    {\n"
        "      ForceRemove Programmable\n"
        "      InprocServer32 = s 'C:\\it''s.dll'\n      {\n        val ThreadingModel = s 'Apartment'\n"
        "        val Count = d '0x10'\n      }\n"
        "    }\n  }\n}\n");
    ASSERT_EQ(script.roots.size(), 1u);
    const RegistryKey& root = script.roots[0];
    EXPECT_EQ(root.name, "HKCR");
    ASSERT_EQ(root.subkeys.size(), 2u);
    EXPECT_EQ(root.subkeys[0].name, "A.B.1");
    EXPECT_TRUE(root.subkeys[0].hasDefault);
    EXPECT_EQ(root.subkeys[0].defaultValue.text, "A Class");
    EXPECT_EQ(root.subkeys[0].subkeys[0].defaultValue.text, "{1}");

    const RegistryKey& clsid = root.subkeys[1];
    EXPECT_EQ(clsid.removal, RegistryKey::Removal::NoRemove);
    EXPECT_FALSE(clsid.hasDefault);
    const RegistryKey& classKey = clsid.subkeys.at(0);
    EXPECT_EQ(classKey.removal, RegistryKey::Removal::ForceRemove);
    ASSERT_EQ(classKey.subkeys.size(), 2u);
    EXPECT_EQ(classKey.subkeys[0].name, "Programmable");
    EXPECT_EQ(classKey.subkeys[0].removal, RegistryKey::Removal::ForceRemove);
    EXPECT_FALSE(classKey.subkeys[0].hasDefault);
    const RegistryKey& server = classKey.subkeys[1];
    EXPECT_EQ(server.defaultValue.text, "C:\\it's.dll");
    ASSERT_EQ(server.values.size(), 2u);
    EXPECT_EQ(server.values[0].name, "ThreadingModel");
    EXPECT_EQ(server.values[0].text, "Apartment");
    EXPECT_EQ(server.values[1].kind, RegistryValue::Kind::Dword);
    EXPECT_EQ(server.values[1].number, 16u);
}

TEST(RegistryScript, KeywordsAreCaseInsensitiveAndEmptyScriptIsValid)
{
    EXPECT_TRUE(Parse("").roots.empty());
    RegistryScript script = Parse("hkcr { noremove A { forceremove B VAL x = S 'y' } }");
    EXPECT_EQ(script.roots[0].subkeys[0].removal, RegistryKey::Removal::NoRemove);
    EXPECT_EQ(script.roots[0].subkeys[0].subkeys[0].removal, RegistryKey::Removal::ForceRemove);
    EXPECT_EQ(script.roots[0].subkeys[0].values[0].text, "y");
}

TEST(RegistryScript, RejectsMalformedText)
{
    const char* const cases[] = {
        "HKCR",                          // no body
        "HKCR {",                        // body left open
        "HKCR { A = 'x' }",              // value without type
        "HKCR { A = s x }",              // string value not quoted
        "HKCR { A = s 'x }",             // quote left open
        "HKCR { A = d 'abc' }",          // not a number
        "HKCR { A = d '-1' }",           // negative
        "HKCR { A = d '0x100000000' }",  // more than 32 bits
        "HKCR { val = s 'x' }",          // value without a name
        "HKCR { NoRemove }",             // mark without a key
        "HKCR { '' }",                   // empty key name
        "{ A }",                         // root without name
        "HKCR { A } }",                  // stray brace
        "HKCR { A = }",                  // nothing after '='
    };
    for (const char* text : cases) {
        RegistryScript script;
        std::string error;
        EXPECT_FALSE(ParseRegistryScript(text, script, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
        EXPECT_TRUE(script.roots.empty()) << text;
    }
}

TEST(RegistryScript, BoundsNestingDepth)
{
    std::string deep = "HKCR ";
    for (int i = 0; i < 10000; ++i)
        deep += "{ K ";
    RegistryScript script;
    std::string error;
    EXPECT_FALSE(ParseRegistryScript(deep, script, error));

    std::string allowed = "HKCR { ";
    for (int i = 0; i < 30; ++i)
        allowed += "K { ";
    allowed += std::string(31, '}');
    EXPECT_TRUE(ParseRegistryScript(allowed, script, error)) << error;
}

TEST(RegistryScript, ExpandsVariablesDoublingQuotes)
{
    const std::map<std::string, std::string> variables{{"MODULE", "C:\\O'Brien\\KV.dll"}};
    struct Case {
        const char* text;
        bool ok;
        const char* expanded;
    } const cases[] = {
        {"x = s '%MODULE%'", true, "x = s 'C:\\O''Brien\\KV.dll'"},
        {"100%% sure", true, "100% sure"},
        {"no variables", true, "no variables"},
        {"%UNKNOWN%", false, ""},
        {"open %MODULE", false, ""},
    };
    for (const Case& c : cases) {
        std::string expanded;
        EXPECT_EQ(ExpandScriptVariables(c.text, variables, expanded), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(expanded, c.expanded);
        }
    }
    std::string expanded;
    ASSERT_TRUE(ExpandScriptVariables("K = s '%MODULE%'", variables, expanded));
    RegistryScript script;
    std::string error;
    ASSERT_TRUE(ParseRegistryScript("HKCR { " + expanded + " }", script, error)) << error;
    EXPECT_EQ(script.roots[0].subkeys[0].defaultValue.text, "C:\\O'Brien\\KV.dll");
}

}  // namespace
