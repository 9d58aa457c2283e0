#!/usr/bin/env python3
"""Another program's text field: a GTK window titled by the first argument,
with one entry, for checking a screen reader's echo outside the shell. It
prints the entry's text whenever it changes."""
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import Gtk  # noqa: E402

window = Gtk.Window(title=sys.argv[1] if len(sys.argv) > 1 else "entry")
entry = Gtk.Entry()
entry.connect("changed", lambda field: print(field.get_text(), flush=True))
window.add(entry)
window.connect("destroy", Gtk.main_quit)
window.show_all()
Gtk.main()
