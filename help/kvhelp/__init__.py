"""Kavreno's help: one source, read by kvhelp.source, written as a single HTML
page (the Linux help window), a WinHelp file and an HTML Help project."""
