/* A small Windows program that carries an icon group naming the icon images 1 to 7. */
int main(void)
{
    return 0;
}
