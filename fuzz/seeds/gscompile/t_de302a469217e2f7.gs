class Same {
  int x;
};
