// Links every object of the battlefield's library and nothing of the units' library: the
// battlefield reaches units only through virtual operations and inline accessors, so this program
// must link. A call of a unit function slipped into the battlefield breaks the build here.
int main() { return 0; }
