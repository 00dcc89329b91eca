# The console's own folders: the terminal's program, which includes only these, framework/ and
# platform/terminal/. The build adds them in this order (app/ first: the others add their sources
# to its library), and the layer check and its test read the same list.
set(QUORVANE_CONSOLE_FOLDERS app serial modem devices maintenance res)
