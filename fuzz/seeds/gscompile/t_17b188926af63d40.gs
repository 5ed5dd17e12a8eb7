class Same {
  int x;
};
