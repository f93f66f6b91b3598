namespace Help {
  class Ids {
    CID_intro_name                                          = 10; //	Intro in intro.htm
    CID_NNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNN = 12; //		Größe {%Tab%} in sub/size.htm
  }
}
