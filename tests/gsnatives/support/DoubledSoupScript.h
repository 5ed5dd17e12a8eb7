#pragma once
// The method of the hostile test scripts that builds a soup whose every
// level holds the level below twice, shared ("a" and "b"), above a soup
// holding "leaf" 1: the soup of VorlexTest::DoubledSoup, made by a script
// with SetNamedSoup. Goes inside a class whose file includes the soups and
// ConstructorsBase.
namespace GSNativesTest {

inline const char* const kDoubledSoupMethod = R"(
	public Soup Doubled(int depth)
	{
		Soup level = ConstructorsBase.NewSoup();
		Soup above;
		int i;
		level.SetNamedTag("leaf", 1);
		for (i = 0; i < depth; i++) {
			above = ConstructorsBase.NewSoup();
			above.SetNamedSoup("a", level);
			above.SetNamedSoup("b", level);
			level = above;
		}
		return level;
	}
)";

}  // namespace GSNativesTest
