class Fold {
