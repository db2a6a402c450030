#include "ui/res/DialogTemplates.h"

const DialogTemplate* FindDialogTemplate(int id) {
    for (const DialogTemplate& t : std::span(kDialogTemplates, kDialogTemplateCount))
        if (t.id == id)
            return &t;
    return nullptr;
}

const char* FindResourceString(int id) {
    for (const ResourceString& s : std::span(kResourceStrings, kResourceStringCount))
        if (s.id == id)
            return s.text;
    return nullptr;
}
