// page_text.cpp - text on the page.
#include "report/page_text.h"

#include "report/shown_text.h"

void put_text(Writer& out, std::string_view text)
{
    for_each_shown(text, [&](std::string_view piece) {
        std::size_t run = 0;
        for (std::size_t i = 0; i < piece.size(); ++i) {
            const char c = piece[i];
            const char* entity = c == '&'   ? "&amp;"
                                 : c == '<' ? "&lt;"
                                 : c == '>' ? "&gt;"
                                 : c == '"' ? "&quot;"
                                 : c == '\'' ? "&#39;"
                                             : nullptr;
            if (entity == nullptr) {
                ++run;
                continue;
            }
            out.put(piece.substr(i - run, run));
            out.put(std::string_view(entity));
            run = 0;
        }
        out.put(piece.substr(piece.size() - run, run));
    });
}
