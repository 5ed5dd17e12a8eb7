class Leaf {
 int
};