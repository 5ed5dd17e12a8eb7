class Words {
  string a = "zebra"; string b = "apple"; string c = "zebra";
  string Pick(int i) { if (i) return "apple"; return "mango"; }
};
