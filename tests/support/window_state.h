#pragma once

#include <sstream>
#include <string>

#include "ui/form.h"

namespace vrkt::testing {

// Every control of the window, one line each: visibility, enabled state, caption, and a text,
// check state, Monitor lines or grid rows where the control has them. The receive indicator is
// left out: it blinks once for each batch of bytes the port hands over, and a trace keeps bytes
// to the millisecond, not how the port batched them within one.
inline std::string WindowState(Form1& form) {
  std::ostringstream s;
  for (const Control* c : form.controls()) {
    if (c == &form.RXDled) continue;
    s << c->name() << " v" << c->visible() << " e" << c->enabled() << " [" << c->caption() << "]";
    if (auto* e = dynamic_cast<const Edit*>(c)) s << " text=" << e->text();
    if (auto* b = dynamic_cast<const CheckBox*>(c)) s << " checked=" << b->checked();
    if (auto* m = dynamic_cast<const Memo*>(c))
      for (const std::string& l : m->lines()) s << "\n  | " << l;
    if (auto* g = dynamic_cast<const Grid*>(c))
      for (const std::string& r : g->rows()) s << "\n  # " << r;
    s << "\n";
  }
  return s.str();
}

}  // namespace vrkt::testing
