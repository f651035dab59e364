// Parsing a resource script into the manager's records. Includes are parsed on an
// explicit stack of open scripts, so that a chain of any depth costs heap, not stack.
#include "engine/resources/resource_manager.h"
#include "engine/resources/script_tokenizer.h"

#include <cstring>
#include <memory>
#include <vector>

namespace {

struct OpenScript {
    std::unique_ptr<char[]> text;
    std::unique_ptr<ScriptTokenizer> tokens;
};

// Reads until a command or the end of the text; that token is the current one.
// The token that broke the rule is looked at first, so a definition whose command
// stood where '{' was expected is kept rather than skipped with the broken one.
void skipToCommand(ScriptTokenizer& t) {
    while (t.kind() != TTEND && !t.isCommand()) t.next();
}

std::unique_ptr<OpenScript> openScript(Engine* engine, const char* name, const char* text,
                                       size_t size) {
    auto s = std::make_unique<OpenScript>();
    s->text.reset(new char[size + 1]);
    if (size) std::memcpy(s->text.get(), text, size);
    s->text[size] = '\0';
    s->tokens = std::make_unique<ScriptTokenizer>(engine, name, s->text.get());
    s->tokens->next();
    return s;
}

}  // namespace

void ResourceManager::parse(const char* scriptName, const char* text, size_t size) {
    RScript* script = new RScript;
    script->SetName(scriptName);
    addRecord(script);

    std::vector<std::unique_ptr<OpenScript>> open;
    open.push_back(openScript(engine_, scriptName, text, size));

    while (!open.empty()) {
        ScriptTokenizer& t = *open.back()->tokens;

        if (t.kind() == TTEND) {
            open.pop_back();
            if (!open.empty()) open.back()->tokens->next();  // the token after the include's name
            continue;
        }

        if (t.kind() == TTRES_INCLUDE) {
            t.next();
            if (FindRecord(RES_SCRIPT, t.text())) {
                t.report("Script ", " already has been parsed.");
                t.next();
                continue;
            }
            uint32_t includedSize = 0;
            void* block = t.kind() != TTEND && t.text()[0] ? LoadScriptFile(t.text(), &includedSize)
                                                           : nullptr;
            if (!block) {
                t.report("Script ", " not found.");
                t.next();
                continue;
            }
            RScript* included = new RScript;
            included->SetName(t.text());
            addRecord(included);
            open.push_back(openScript(engine_, t.text(), static_cast<const char*>(block), includedSize));
            FreeScriptFile(block);
            continue;
        }

        if (!t.isCommand()) {
            t.report("Unrecognized resource specificator ", ".");
            skipToCommand(t);
            continue;
        }

        const int type = t.kind() - TTRES__FIRST;
        t.next();
        if (FindRecord(type, t.text())) {
            t.report("Resource ", " of the same type already has been defined.");
            skipToCommand(t);
            continue;
        }
        char name[RESOURCE_NAME_MAX];
        copyResourceName(name, t.text());

        t.next();
        ResourceRecord* base = nullptr;
        if (t.kind() == TTBASED) {
            t.next();
            base = FindRecord(type, t.text());
            if (!base) t.report("Base resource ", " is not defined.");
            t.next();
        }
        if (t.kind() != TTOPENBLOCK) {
            t.report("Illegal resource syntax, ", " found; '{' expected.");
            skipToCommand(t);
            continue;
        }

        ResourceRecord* record = base ? base->Clone() : createResourceRecord(type);
        record->SetName(name);
        for (;;) {
            t.next();
            if (t.kind() == TTCLOSEBLOCK) break;
            if (t.kind() == TTEND || t.isCommand()) {
                t.report("'}' missed, ", " encountered.");
                t.putBack();
                break;
            }
            if (!record->ReadParameter(t)) {
                t.report("Unsupported resource parameter ", ".");
                do {
                    t.next();
                } while (t.kind() != TTEND && !t.isCommand() && !t.isParameter() &&
                         t.kind() != TTCLOSEBLOCK);
                t.putBack();
            }
        }
        addRecord(record);
        t.next();
    }

    dropScriptRecords();
}
