#include "engine/resources/resource_manager.h"

#include "resource_test_support.h"

#include <memory>
#include <string>

namespace {

class ScriptParser : public ResourceTest {
protected:
    // A manager on a script written to the scratch folder.
    std::unique_ptr<ResourceManager> parse(const std::string& text, const std::string& name = "main.res") {
        return std::make_unique<ResourceManager>(writeFile(name, text).c_str());
    }

    template <class R>
    R* record(ResourceManager& rm, int type, const char* name) {
        return static_cast<R*>(rm.FindRecord(type, name));
    }

    // The report lines without the "<script>, line <n>: " prefix of each.
    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const std::string& r : reports()) {
            size_t colon = r.find(": ");
            out.push_back(colon == std::string::npos ? r : r.substr(colon + 2));
        }
        return out;
    }
};

TEST_F(ScriptParser, EmptyBodiesGetTheDefaults) {
    auto rm = parse(
        "Resource r {} Texture t {} Sound s {} Music m {} Stream st {} Target tg {}\n"
        "Sprite sp {} Animation a {} Font f {} Particle p {} Distortion d {} StringTable tb {}\n");
    EXPECT_TRUE(reports().empty()) << reports()[0];
    for (int type = RES_RESOURCE; type < RES_TYPE_COUNT; ++type) {
        ASSERT_NE(rm->ListHead(type), nullptr) << type;
        EXPECT_EQ(rm->ListHead(type)->next, nullptr);
        EXPECT_EQ(rm->ListHead(type)->resgroup, 0);
        EXPECT_EQ(rm->ListHead(type)->resource, 0u);
    }
    EXPECT_EQ(rm->ListHead(RES_SCRIPT), nullptr);  // script records go once parsed

    auto* t = record<RTexture>(*rm, RES_TEXTURE, "t");
    EXPECT_STREQ(t->filename, "");
    EXPECT_FALSE(t->mipmap);
    EXPECT_FALSE(t->genalpha);
    EXPECT_EQ(record<RMusic>(*rm, RES_MUSIC, "m")->amplify, 50);
    auto* tg = record<RTarget>(*rm, RES_TARGET, "tg");
    EXPECT_EQ(tg->width, 256);
    EXPECT_EQ(tg->height, 256);
    EXPECT_FALSE(tg->zbuffer);

    auto* sp = record<RSprite>(*rm, RES_SPRITE, "sp");
    EXPECT_STREQ(sp->texname, "");
    EXPECT_EQ(sp->tx + sp->ty + sp->w + sp->h + sp->hotx + sp->hoty, 0.0f);
    EXPECT_EQ(sp->blend, 2);
    EXPECT_EQ(sp->color, 0xFFFFFFFFu);
    EXPECT_EQ(sp->z, 0.5f);
    EXPECT_FALSE(sp->bXFlip || sp->bYFlip);

    auto* a = record<RAnimation>(*rm, RES_ANIMATION, "a");
    EXPECT_EQ(a->frames, 1);
    EXPECT_EQ(a->fps, 12.0f);
    EXPECT_EQ(a->mode, 4);
    EXPECT_EQ(a->blend, 2);

    auto* f = record<RFont>(*rm, RES_FONT, "f");
    EXPECT_FALSE(f->mipmap);
    EXPECT_EQ(f->blend, 2);
    EXPECT_EQ(f->color, 0xFFFFFFFFu);
    EXPECT_EQ(f->z, 0.5f);
    EXPECT_EQ(f->scale, 1.0f);
    EXPECT_EQ(f->proportion, 1.0f);
    EXPECT_EQ(f->tracking, 0.0f);
    EXPECT_EQ(f->spacing, 1.0f);
    EXPECT_EQ(f->rotation, 0.0f);

    EXPECT_STREQ(record<RParticle>(*rm, RES_PARTICLE, "p")->spritename, "");
    auto* d = record<RDistort>(*rm, RES_DISTORT, "d");
    EXPECT_EQ(d->cols, 2);
    EXPECT_EQ(d->rows, 2);
    EXPECT_EQ(d->blend, 2);
    EXPECT_EQ(d->color, 0xFFFFFFFFu);
    EXPECT_EQ(d->z, 0.5f);
}

TEST_F(ScriptParser, EveryParameterIsRead) {
    auto rm = parse(R"(
; every parameter of every type
Texture tex { filename = "data\tex.png" resgroup = 3 mipmap = true genalpha = True }
Music mus { filename = m.xm amplify = 80 resgroup = -2 }
Target tgt { size = 320, 240 zbuffer = true }
Sprite spr {
  texture = tex
  rect = 1.5, 2, 30, 40
  hotspot = 15, 20
  blendmode = COLORADD, NOZWRITE, ALPHAADD
  color = 80FFFFFF
  zorder = 0.25
  flip = true, false
}
Animation anim { texture = tex rect = 0,0,16,16 frames = 8 fps = 24.5 mode = REVERSE, PINGPONG, NOLOOP }
Font fnt { filename = f.fnt mipmap = true blendmode = ZWRITE color = FF00FF00 zorder = 0.1
           scale = 2 proportion = 0.5 rotation = 0.75 tracking = -1 spacing = 1.5 }
Particle par { filename = p.psi sprite = spr }
Distortion dis { texture = tex rect = 1,2,3,4 mesh = 8, 6 blendmode = COLORADD color = 11223344 zorder = 1 }
)");
    EXPECT_TRUE(reports().empty()) << reports()[0];

    auto* t = record<RTexture>(*rm, RES_TEXTURE, "tex");
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(t->filename, "data\\tex.png");
    EXPECT_EQ(t->resgroup, 3);
    EXPECT_TRUE(t->mipmap);
    EXPECT_TRUE(t->genalpha);

    auto* m = record<RMusic>(*rm, RES_MUSIC, "mus");
    EXPECT_STREQ(m->filename, "m.xm");
    EXPECT_EQ(m->amplify, 80);
    EXPECT_EQ(m->resgroup, -2);

    auto* tg = record<RTarget>(*rm, RES_TARGET, "tgt");
    EXPECT_EQ(tg->width, 320);
    EXPECT_EQ(tg->height, 240);
    EXPECT_TRUE(tg->zbuffer);

    auto* s = record<RSprite>(*rm, RES_SPRITE, "spr");
    EXPECT_STREQ(s->texname, "tex");
    EXPECT_EQ(s->tx, 1.5f);
    EXPECT_EQ(s->ty, 2.0f);
    EXPECT_EQ(s->w, 30.0f);
    EXPECT_EQ(s->h, 40.0f);
    EXPECT_EQ(s->hotx, 15.0f);
    EXPECT_EQ(s->hoty, 20.0f);
    EXPECT_EQ(s->blend, BLEND_COLORADD);  // 2 | 1, then ALPHAADD clears 2; ZWRITE never set
    EXPECT_EQ(s->color, 0x80FFFFFFu);
    EXPECT_EQ(s->z, 0.25f);
    EXPECT_TRUE(s->bXFlip);
    EXPECT_FALSE(s->bYFlip);

    auto* a = record<RAnimation>(*rm, RES_ANIMATION, "anim");
    EXPECT_EQ(a->frames, 8);
    EXPECT_EQ(a->fps, 24.5f);
    EXPECT_EQ(a->mode, 1 | 2);
    EXPECT_EQ(a->w, 16.0f);

    auto* f = record<RFont>(*rm, RES_FONT, "fnt");
    EXPECT_STREQ(f->filename, "f.fnt");
    EXPECT_TRUE(f->mipmap);
    EXPECT_EQ(f->blend, 2 | 4);
    EXPECT_EQ(f->color, 0xFF00FF00u);
    EXPECT_EQ(f->z, 0.1f);
    EXPECT_EQ(f->scale, 2.0f);
    EXPECT_EQ(f->proportion, 0.5f);
    EXPECT_EQ(f->rotation, 0.75f);
    EXPECT_EQ(f->tracking, -1.0f);
    EXPECT_EQ(f->spacing, 1.5f);

    auto* p = record<RParticle>(*rm, RES_PARTICLE, "par");
    EXPECT_STREQ(p->filename, "p.psi");
    EXPECT_STREQ(p->spritename, "spr");

    auto* d = record<RDistort>(*rm, RES_DISTORT, "dis");
    EXPECT_EQ(d->cols, 8);
    EXPECT_EQ(d->rows, 6);
    EXPECT_EQ(d->h, 4.0f);
    EXPECT_EQ(d->blend, 3);
    EXPECT_EQ(d->color, 0x11223344u);
}

TEST_F(ScriptParser, BaseResourcesCarryTheirFieldsOver) {
    auto rm = parse(R"(
Sprite base { texture = tex rect = 1,2,3,4 hotspot = 5,6 color = 80808080 zorder = 0.3 resgroup = 7
              blendmode = COLORADD flip = false, true }
Sprite derived : base { rect = 10, 20, 30, 40 }
Sprite orphan : missing { zorder = 0.9 }
Texture base { filename = x.png }
Sprite fromTexture : "base" { }
)");
    auto* d = record<RSprite>(*rm, RES_SPRITE, "derived");
    ASSERT_NE(d, nullptr);
    EXPECT_STREQ(d->name, "derived");
    EXPECT_STREQ(d->texname, "tex");
    EXPECT_EQ(d->tx, 10.0f);
    EXPECT_EQ(d->h, 40.0f);
    EXPECT_EQ(d->hotx, 5.0f);
    EXPECT_EQ(d->hoty, 6.0f);
    EXPECT_EQ(d->color, 0x80808080u);
    EXPECT_EQ(d->z, 0.3f);
    EXPECT_EQ(d->resgroup, 7);
    EXPECT_EQ(d->blend, 3);
    EXPECT_TRUE(d->bYFlip);

    auto* o = record<RSprite>(*rm, RES_SPRITE, "orphan");
    ASSERT_NE(o, nullptr);  // still created, from the defaults
    EXPECT_EQ(o->z, 0.9f);
    EXPECT_EQ(o->color, 0xFFFFFFFFu);
    // The base has to be of the same type: a texture "base" does not count, the
    // sprite "base" does.
    EXPECT_STREQ(record<RSprite>(*rm, RES_SPRITE, "fromTexture")->texname, "tex");

    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0], "Base resource 'missing' is not defined.");
    EXPECT_EQ(reports()[0].rfind(path("main.res") + ", line 5: ", 0), 0u) << reports()[0];
}

TEST_F(ScriptParser, DuplicatesAreSkippedWithTheirBody) {
    auto rm = parse(
        "Texture t { filename = first.png }\n"
        "Texture t { filename = second.png mipmap = true }\n"
        "Sprite t { texture = t }\n");
    auto* t = record<RTexture>(*rm, RES_TEXTURE, "t");
    EXPECT_STREQ(t->filename, "first.png");
    EXPECT_FALSE(t->mipmap);
    EXPECT_EQ(t->next, nullptr);
    EXPECT_NE(rm->FindRecord(RES_SPRITE, "t"), nullptr);  // another type may share the name
    EXPECT_EQ(reports(), std::vector<std::string>{path("main.res") +
                                                  ", line 2: Resource 't' of the same type already "
                                                  "has been defined."});
}

TEST_F(ScriptParser, EveryReportInItsForm) {
    parse(
        "garbage Texture a { filename = a.png }\n"            // 1: unrecognized, then parsed on
        "Texture b filename = b.png\n"                         // 2: illegal syntax
        "Sprite c { texture = a mipmap = true rect = 1, 2, 3, 4 }\n"  // 3: unsupported parameter
        "Sprite d { blendmode = COLORADD, LOOP }\n"            // 4: unsupported value
        "Sprite e { rect = 0, 0, 1, 1\n"                       // 5: '}' missed at the next command
        "Font f { filename = x.fnt }\n");
    EXPECT_EQ(messages(), (std::vector<std::string>{
                              "Unrecognized resource specificator 'garbage'.",
                              "Illegal resource syntax, 'filename' found; '{' expected.",
                              "Unsupported resource parameter 'mipmap'.",
                              "Unsupported value 'LOOP'.",
                              "'}' missed, 'Font' encountered.",
                          }));
    const int lines[] = {1, 2, 3, 4, 6};
    for (size_t i = 0; i < reports().size() && i < 5; ++i) {
        EXPECT_NE(reports()[i].find(", line " + std::to_string(lines[i]) + ": "), std::string::npos)
            << reports()[i];
    }
}

TEST_F(ScriptParser, ParsingGoesOnAfterEachError) {
    auto rm = parse(
        "garbage Texture a { filename = a.png }\n"
        "Texture b filename = b.png }\n"
        "Sprite c { texture = a mipmap = true, false 1 2 rect = 1, 2, 3, 4 }\n"
        "Sprite e { rect = 0, 0, 1, 1\n"
        "Font f { filename = x.fnt }\n");
    EXPECT_STREQ(record<RTexture>(*rm, RES_TEXTURE, "a")->filename, "a.png");
    EXPECT_EQ(rm->FindRecord(RES_TEXTURE, "b"), nullptr);
    auto* c = record<RSprite>(*rm, RES_SPRITE, "c");
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(c->texname, "a");
    EXPECT_EQ(c->w, 3.0f);  // the parameter after the skipped one is read
    auto* e = record<RSprite>(*rm, RES_SPRITE, "e");
    ASSERT_NE(e, nullptr);  // an unclosed body still makes its record
    EXPECT_EQ(e->h, 1.0f);
    EXPECT_STREQ(record<RFont>(*rm, RES_FONT, "f")->filename, "x.fnt");
}

// Recovery looks at the token that broke the rule first: a definition whose command
// stands where '{' was expected is parsed, not skipped with the broken one.
TEST_F(ScriptParser, TheDefinitionRightAfterABrokenOneIsKept) {
    auto rm = parse(
        "Texture a\n"
        "Sprite s { zorder = 0.2 }\n"
        "Texture b : a\n"
        "Texture c { filename = c.png }\n");
    EXPECT_EQ(messages(), (std::vector<std::string>{"Illegal resource syntax, 'Sprite' found; '{' expected.",
                                                    "Base resource 'a' is not defined.",
                                                    "Illegal resource syntax, 'Texture' found; '{' expected."}));
    EXPECT_EQ(rm->FindRecord(RES_TEXTURE, "a"), nullptr);
    EXPECT_EQ(rm->FindRecord(RES_TEXTURE, "b"), nullptr);
    ASSERT_NE(rm->FindRecord(RES_SPRITE, "s"), nullptr);
    EXPECT_EQ(record<RSprite>(*rm, RES_SPRITE, "s")->z, 0.2f);
    EXPECT_STREQ(record<RTexture>(*rm, RES_TEXTURE, "c")->filename, "c.png");
}

TEST_F(ScriptParser, AColourWithADigitAfterALetterSplits) {
    auto rm = parse("Sprite a { color = 8F0FFFFF zorder = 0.25 }\nSprite b { color = FF00FF00 }\n");
    auto* a = record<RSprite>(*rm, RES_SPRITE, "a");
    EXPECT_EQ(a->color, 0x8Fu);
    EXPECT_EQ(a->z, 0.25f);  // the rest was skipped up to the next parameter
    EXPECT_EQ(messages(), std::vector<std::string>{"Unsupported resource parameter '0FFFFF'."});
    EXPECT_EQ(record<RSprite>(*rm, RES_SPRITE, "b")->color, 0xFF00FF00u);
}

TEST_F(ScriptParser, KeywordPrefixesInNames) {
    auto rm = parse(
        "Sprite Fontface { }\n"
        "Sprite \"Fontface\" { zorder = 0.2 }\n");
    // Unquoted, the name reads as the command "Font" followed by "face".
    EXPECT_EQ(messages(), std::vector<std::string>{"Illegal resource syntax, 'face' found; '{' expected."});
    EXPECT_EQ(rm->FindRecord(RES_SPRITE, "Font"), nullptr);
    ASSERT_NE(rm->FindRecord(RES_SPRITE, "Fontface"), nullptr);
}

TEST_F(ScriptParser, RunningOutMidResource) {
    for (const char* text : {"Sprite a { rect = 1, 2", "Sprite a {", "Sprite a", "Sprite", "Sprite a :",
                             "Sprite a { blendmode =", "Include", "\"open string", "; open comment"}) {
        capturedReports().clear();
        auto rm = parse(text);
        for (const std::string& r : reports()) {
            EXPECT_EQ(r.rfind(path("main.res") + ", line 1: ", 0), 0u) << r;
        }
    }
    capturedReports().clear();
    auto rm = parse("Sprite a { rect = 1, 2");
    ASSERT_NE(rm->FindRecord(RES_SPRITE, "a"), nullptr);
    EXPECT_EQ(messages(), std::vector<std::string>{"'}' missed, '<EOF>' encountered."});
    capturedReports().clear();
    parse("Sprite a");
    EXPECT_EQ(messages(), std::vector<std::string>{"Illegal resource syntax, '<EOF>' found; '{' expected."});
}

TEST_F(ScriptParser, IncludesAndTheirReports) {
    std::string inc = writeFile("inc.res", "Texture fromInclude { filename = i.png }\nInclude " +
                                               path("main.res") + "\n");
    auto rm = parse("Include " + inc + "\nInclude " + path("missing.res") +
                    "\nInclude " + inc + "\nTexture after { }\n");
    EXPECT_NE(rm->FindRecord(RES_TEXTURE, "fromInclude"), nullptr);
    EXPECT_NE(rm->FindRecord(RES_TEXTURE, "after"), nullptr);
    EXPECT_EQ(rm->ListHead(RES_SCRIPT), nullptr);
    EXPECT_EQ(reports(),
              (std::vector<std::string>{
                  inc + ", line 2: Script '" + path("main.res") + "' already has been parsed.",
                  path("main.res") + ", line 2: Script '" + path("missing.res") + "' not found.",
                  path("main.res") + ", line 3: Script '" + inc + "' already has been parsed.",
              }));

    // The script records went, so the same script may be parsed again (and with it
    // main.res, which it includes); their resources are then duplicates.
    capturedReports().clear();
    rm->ParseScript(inc.c_str());
    EXPECT_EQ(messages(), (std::vector<std::string>{
                              "Resource 'fromInclude' of the same type already has been defined.",
                              "Script '" + inc + "' already has been parsed.",
                              "Script '" + path("missing.res") + "' not found.",
                              "Script '" + inc + "' already has been parsed.",
                              "Resource 'after' of the same type already has been defined.",
                          }));
}

TEST_F(ScriptParser, AMissingScriptIsLoggedAndLeavesNoRecords) {
    ResourceManager rm(path("nowhere.res").c_str());
    EXPECT_EQ(reports(), std::vector<std::string>{"Script '" + path("nowhere.res") + "' not found."});
    for (int type = 0; type < RES_TYPE_COUNT; ++type) EXPECT_EQ(rm.ListHead(type), nullptr);
}

TEST_F(ScriptParser, AnIncludeChainHundredsDeep) {
    const int depth = 600;
    for (int i = depth - 1; i >= 0; --i) {
        std::string body = "Texture t" + std::to_string(i) + " { }\n";
        if (i + 1 < depth) body += "Include " + path("chain" + std::to_string(i + 1) + ".res") + "\n";
        body += "Sprite s" + std::to_string(i) + " { }\n";
        writeFile("chain" + std::to_string(i) + ".res", body);
    }
    ResourceManager rm(path("chain0.res").c_str());
    EXPECT_TRUE(reports().empty());
    for (int i = 0; i < depth; ++i) {
        ASSERT_NE(rm.FindRecord(RES_TEXTURE, ("t" + std::to_string(i)).c_str()), nullptr) << i;
        ASSERT_NE(rm.FindRecord(RES_SPRITE, ("s" + std::to_string(i)).c_str()), nullptr) << i;
    }
    // Resources come in script order, newest first: the deepest texture was declared
    // last of the textures, the first script's sprite last of all.
    EXPECT_STREQ(rm.ListHead(RES_TEXTURE)->name, ("t" + std::to_string(depth - 1)).c_str());
    EXPECT_STREQ(rm.ListHead(RES_SPRITE)->name, "s0");
}

TEST_F(ScriptParser, ParsingFromMemory) {
    ResourceManager rm(path("none.res").c_str());
    capturedReports().clear();
    const char text[] = "Sprite a { zorder = 0.75 }\0Sprite hidden { }";
    rm.ParseScriptText("mem.res", text, sizeof(text) - 1);
    auto* a = static_cast<RSprite*>(rm.FindRecord(RES_SPRITE, "a"));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->z, 0.75f);
    // The text ends at its first zero, as a script loaded from a file does.
    EXPECT_EQ(rm.FindRecord(RES_SPRITE, "hidden"), nullptr);
    rm.ParseScriptText("bad.res", "}", 1);
    EXPECT_EQ(reports(), std::vector<std::string>{"bad.res, line 1: Unrecognized resource specificator '}'."});
}

TEST_F(ScriptParser, OverlongNamesAreCutAndStillFound) {
    std::string longName(200, 'n');
    auto rm = parse("Sprite " + longName + " { zorder = 0.3 }\nSprite " + longName + "x { }\n");
    // Both names cut to the same 127 characters: the second is a duplicate.
    ASSERT_EQ(messages().size(), 1u);
    auto* r = rm->FindRecord(RES_SPRITE, longName.c_str());
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(std::string(r->name), longName.substr(0, RESOURCE_NAME_MAX - 1));
}

}  // namespace
