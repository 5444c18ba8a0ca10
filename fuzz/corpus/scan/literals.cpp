f(R"d(raw "x" (y))d", "a" "b" L"c", "\x4142", u"\x4142", "t"_tr "u");
/* f("no") */ c = '"'; f("k", "%d", n);
